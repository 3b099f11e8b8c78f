// RecycleBinShred.h - the Recycle Bin shred: every place the shell's empty of
// a fixed drive covers is walked entry by entry, each entry by its real name
// and opened as itself: a file is overwritten in place and cut to nothing, a
// folder's files overwritten, renamed and removed and its subfolders entered,
// and the entry then removed (RecycleBin.h); what could not be overwritten (a
// link, a file in use or with other names, a pipe, a device) stays, is
// named, and keeps the bin from being emptied. The bin's desktop.ini is
// written again. Shred Now of the Recycle Bin page, the item "recycle" and
// scheduled bin tasks all come here.
// Deliberately not: the bin's alert setting page (the Recycle Bin page's).
#pragma once

#include "RecycleBin.h"
#include "ShredJob.h"

class CRecycleBinShred : private IBinEntryShred {
public:
    explicit CRecycleBinShred(CShredJob& job);
    CRecycleBinShred(const CRecycleBinShred&) = delete;
    CRecycleBinShred& operator=(const CRecycleBinShred&) = delete;

    // The bin alert unless it was turned off (never in scheduled runs), then the shred.
    int ShredNow();
    // 1 stop the job, 0 go on.
    int Shred();

private:
    // One entry of the bin overwritten: BIN_REMOVE when all of it was.
    int Prepare(const CRealPath& path, const WIN32_FIND_DATAW& listed) override;
    void BeforeEmpty(const char* root) override;
    // Every file below a folder of the bin overwritten, renamed and removed,
    // every subfolder entered and removed once emptied; a link is neither
    // entered nor overwritten. realParent: where its parent lies, when known;
    // *indexBytes: how much of the folder's index its entries took. 1 stops the job.
    int ShredBinFolder(const CRealPath& path, const CRealPath& realParent, int depth, ULONGLONG* indexBytes);
    // What the emptying of a drive's bin left, or its failure, as a message.
    void ReportBinLeft(char letter, const CBinEmptied& emptied);

    CShredJob& m_job;
    const CAlgorithm* m_algorithm = nullptr;
};

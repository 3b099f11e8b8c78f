// RecycleBinShred.h - the Recycle Bin shred: everything the bins of all fixed
// drives hold is overwritten in place (files cut to nothing, folders
// shredded), then removed entry by entry as itself and the bin's index emptied
// (RecycleBin.h), and its desktop.ini is written again; a bin left holding a
// link it could not remove as the link is not emptied, and told. Shred Now of the Recycle Bin page, the item "recycle" and scheduled
// bin tasks all come here.
// Deliberately not: the bin's alert setting page (the Recycle Bin page's).
#pragma once

#include "RecycleBin.h"
#include "ShredJob.h"

class CRecycleBinShred {
public:
    explicit CRecycleBinShred(CShredJob& job);
    virtual ~CRecycleBinShred() = default;
    CRecycleBinShred(const CRecycleBinShred&) = delete;
    CRecycleBinShred& operator=(const CRecycleBinShred&) = delete;

    // The bin alert unless it was turned off (never in scheduled runs), then the shred.
    int ShredNow();
    // 1 stop the job, 0 go on.
    int Shred();

protected:
    // The folder that holds the bin of one fixed drive (letter index 0 = A);
    // *ownsDesktopIni when it is a Windows bin folder with a desktop.ini of its own.
    virtual CString BinFolder(int letterIndex, bool* ownsDesktopIni);

private:
    // What the emptying of a drive's bin left, or its failure, as a message.
    void ReportBinLeft(char letter, const CBinEmptied& emptied);

    CShredJob& m_job;
};

#include "WholeDrive.h"

#include <algorithm>
#include <cstring>

#include "LangPack.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
const DWORD kNtfsKeptRecords = 24;

WORD U16(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }
DWORD U32(const BYTE* p) { return DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24); }
ULONGLONG U64(const BYTE* p) { return ULONGLONG(U32(p)) | (ULONGLONG(U32(p + 4)) << 32); }
void Put32(BYTE* p, DWORD v) {
    for (int i = 0; i < 4; ++i) p[i] = BYTE(v >> (8 * i));
}

bool PowerOfTwo(DWORD v) { return v != 0 && (v & (v - 1)) == 0; }

// The last two bytes of every sector of an MFT record are swapped for a check
// number when it is written; the real bytes sit in the update sequence array.
bool ApplyFixups(BYTE* record, DWORD size, DWORD sectorSize) {
    const WORD offset = U16(record + 4), count = U16(record + 6);
    if (count == 0 || offset + 2ull * count > size || (count - 1ull) * sectorSize > size) return false;
    for (WORD i = 1; i < count; ++i) {
        BYTE* tail = record + i * sectorSize - 2;
        if (U16(tail) != U16(record + offset)) return false;
        tail[0] = record[offset + 2 * i];
        tail[1] = record[offset + 2 * i + 1];
    }
    return true;
}

CString NameOf(const BYTE* name, int length) {
    char text[512] = "";
    int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(name), length, text, sizeof(text) - 1, nullptr,
                                nullptr);
    text[n > 0 ? n : 0] = 0;
    return text;
}

bool IsKeptSystemName(const CString& name) {
    static const char* const names[] = {"$ObjId", "$Quota", "$Reparse", "SYSTEM~1", "System Volume Information"};
    for (const char* n : names)
        if (name == n) return true;
    return false;
}
}  // namespace

bool ParseBootSector(const BYTE* s, CVolumeGeometry& g) {
    g = CVolumeGeometry();
    g.bytesPerSector = U16(s + 0x0B);
    g.sectorsPerCluster = s[0x0D];
    g.reservedSectors = U16(s + 0x0E);
    g.fatCount = s[0x10];
    if (U16(s + 0x1FE) != 0xAA55 || g.bytesPerSector < 512 || g.bytesPerSector > 4096 ||
        !PowerOfTwo(g.bytesPerSector) || !PowerOfTwo(g.sectorsPerCluster))
        return false;
    const ULONGLONG bps = g.bytesPerSector, cluster = bps * g.sectorsPerCluster;
    if (memcmp(s + 3, "NTFS    ", 8) == 0) {
        g.type = FS_NTFS;
        g.volumeBytes = U64(s + 0x28) * bps;
        g.mftOffset = U64(s + 0x30) * cluster;
        const signed char c = static_cast<signed char>(s[0x40]);
        if (c < 0) {
            if (c < -16) return false;
            g.mftRecordSize = DWORD(1) << (-c);
        } else {
            g.mftRecordSize = DWORD(ULONGLONG(c) * cluster);
        }
        if (g.mftRecordSize < 256 || g.mftRecordSize > 65536 || g.mftRecordSize % 512) return false;
        g.startOffset = 16 * bps;
        if (g.mftOffset < g.startOffset || g.mftOffset >= g.volumeBytes) return false;
        g.bytesToWrite = g.volumeBytes - g.startOffset;
        return true;
    }
    if (g.fatCount == 0 || g.fatCount > 4 || g.reservedSectors == 0) return false;
    const WORD rootEntries = U16(s + 0x11);
    ULONGLONG total = U32(s + 0x20);
    if (total == 0) total = U16(s + 0x13);
    if (U16(s + 0x16) == 0 && rootEntries == 0) {
        g.type = FS_FAT32;
        g.sectorsPerFat = U32(s + 0x24);
        g.rootCluster = U32(s + 0x2C);
        g.rootDirSize = cluster;
        g.fsInfoSector = U16(s + 0x30);
    } else {
        g.type = FS_FAT16;
        g.sectorsPerFat = U16(s + 0x16);
        g.rootCluster = 2;
        g.rootDirSize = ULONGLONG(rootEntries) * 32;
    }
    if (g.sectorsPerFat == 0 || g.rootCluster < 2) return false;
    g.volumeBytes = total * bps;
    g.startOffset = bps * (g.reservedSectors + ULONGLONG(g.fatCount) * g.sectorsPerFat);
    g.rootDirOffset = g.startOffset + (g.rootCluster - 2ull) * cluster;
    if (g.type == FS_FAT16) {
        // Twelve-bit FATs pack two entries into three bytes: not a layout this shred writes.
        const ULONGLONG rootSectors = (g.rootDirSize + bps - 1) / bps;
        const ULONGLONG dataStart = g.startOffset / bps + rootSectors;
        if (total <= dataStart || (total - dataStart) / g.sectorsPerCluster < 4085) return false;
    }
    if (g.rootDirOffset + g.rootDirSize > g.volumeBytes || g.startOffset + g.rootDirSize >= g.volumeBytes) return false;
    g.bytesToWrite = g.volumeBytes - g.rootDirSize - g.startOffset;
    return true;
}

void InsertSkipRun(std::vector<CSkipRun>& runs, CSkipRun run) {
    if (run.length == 0) return;
    runs.push_back(run);
    std::vector<CSkipRun> merged;
    std::sort(runs.begin(), runs.end(), [](const CSkipRun& a, const CSkipRun& b) { return a.start < b.start; });
    for (const CSkipRun& r : runs) {
        if (!merged.empty() && r.start <= merged.back().start + merged.back().length) {
            const ULONGLONG end = r.start + r.length;
            if (end > merged.back().start + merged.back().length) merged.back().length = end - merged.back().start;
        } else {
            merged.push_back(r);
        }
    }
    runs.swap(merged);
}

std::vector<CDataRun> DecodeRunList(const BYTE* list, size_t room) {
    std::vector<CDataRun> runs;
    size_t at = 0;
    LONGLONG lcn = 0;
    while (at < room && list[at] != 0) {
        const int lengthSize = list[at] & 0x0F, offsetSize = list[at] >> 4;
        if (lengthSize == 0 || lengthSize > 8 || offsetSize > 8 || at + 1 + lengthSize + offsetSize > room) break;
        ULONGLONG clusters = 0;
        for (int i = 0; i < lengthSize; ++i) clusters |= ULONGLONG(list[at + 1 + i]) << (8 * i);
        LONGLONG delta = 0;
        for (int i = 0; i < offsetSize; ++i) delta |= LONGLONG(list[at + 1 + lengthSize + i]) << (8 * i);
        if (offsetSize > 0 && offsetSize < 8 && (list[at + lengthSize + offsetSize] & 0x80))
            delta -= LONGLONG(1) << (8 * offsetSize);
        at += 1 + lengthSize + offsetSize;
        if (offsetSize == 0) {
            runs.push_back({clusters, -1});
            continue;
        }
        lcn += delta;
        if (lcn < 0) break;
        runs.push_back({clusters, lcn});
    }
    return runs;
}

CWholeDriveShredder::CWholeDriveShredder(IShredHost& host, IShredProgress& progress, BYTE* buffer,
                                         volatile bool& abort, volatile bool& endSession)
    : m_host(host), m_progress(progress), m_buffer(buffer), m_abort(abort), m_endSession(endSession) {}

bool CWholeDriveShredder::Fail(int key, const char* text) {
    m_host.Report(LoadLangString(key, text), MB_ICONERROR);
    return false;
}

bool CWholeDriveShredder::ClearFatTables(IRawVolume& volume, const CVolumeGeometry& g) {
    const DWORD bps = g.bytesPerSector;
    const ULONGLONG fatSize = ULONGLONG(g.sectorsPerFat) * bps;
    const DWORD keep = g.type == FS_FAT32 ? 8 : 4;
    std::vector<BYTE> sector(bps);
    const ULONGLONG rootEntry = ULONGLONG(g.rootCluster) * 4;
    for (int copy = 0; copy < g.fatCount; ++copy) {
        const ULONGLONG base = ULONGLONG(g.reservedSectors) * bps + ULONGLONG(copy) * fatSize;
        if (!volume.Read(base, sector.data(), bps)) {
            m_host.ShowSystemError(GetLastError());
            return false;
        }
        BYTE head[8];
        memcpy(head, sector.data(), keep);
        DWORD rootValue = 0;
        if (g.type == FS_FAT32) {
            if (rootEntry + 4 > fatSize) return false;
            const ULONGLONG at = rootEntry / bps * bps;
            if (!volume.Read(base + at, sector.data(), bps)) {
                m_host.ShowSystemError(GetLastError());
                return false;
            }
            // The root directory becomes a chain of one cluster, ended by end-of-chain: entry 1 is no
            // such mark (its top bits are the clean-shutdown and no-error flags, cleared while mounted).
            // The entry's top four bits are not ours.
            rootValue = (U32(sector.data() + rootEntry % bps) & 0xF0000000) | 0x0FFFFFFF;
        }
        for (ULONGLONG written = 0; written < fatSize;) {
            const DWORD chunk = DWORD(fatSize - written < ULONGLONG(kBufferSize) ? fatSize - written : kBufferSize);
            ZeroMemory(m_buffer, chunk);
            if (written == 0) memcpy(m_buffer, head, keep);
            if (g.type == FS_FAT32 && rootEntry >= written && rootEntry < written + chunk)
                Put32(m_buffer + (rootEntry - written), rootValue);
            if (!volume.Write(base + written, m_buffer, chunk)) return Fail(TXT_DRIVE_WRITE, kTextDriveWrite);
            written += chunk;
        }
    }
    if (g.type == FS_FAT32 && g.fsInfoSector != 0 && g.fsInfoSector < g.reservedSectors) {
        // The free-cluster hint would be wrong now: mark it unknown, so the file system counts afresh.
        const ULONGLONG at = ULONGLONG(g.fsInfoSector) * bps;
        if (volume.Read(at, sector.data(), bps) && memcmp(sector.data(), "RRaA", 4) == 0 &&
            memcmp(sector.data() + 484, "rrAa", 4) == 0) {
            Put32(sector.data() + 488, 0xFFFFFFFF);
            Put32(sector.data() + 492, 0xFFFFFFFF);
            volume.Write(at, sector.data(), bps);
        }
    }
    ZeroMemory(m_buffer, kBufferSize);
    return true;
}

bool CWholeDriveShredder::ClearRootDirectory(IRawVolume& volume, const CVolumeGeometry& g) {
    const DWORD bps = g.bytesPerSector;
    std::vector<BYTE> sector(bps);
    if (!volume.Read(g.rootDirOffset, sector.data(), bps)) {
        m_host.ShowSystemError(GetLastError());
        return false;
    }
    // The label is read from the directory itself: Wine's GetVolumeInformation does not see it.
    const BYTE attributes = sector[11];
    const bool label = sector[0] != 0 && sector[0] != 0xE5 && (attributes & 0x08) && (attributes & 0x0F) != 0x0F;
    for (ULONGLONG written = 0; written < g.rootDirSize;) {
        const DWORD chunk =
            DWORD(g.rootDirSize - written < ULONGLONG(kBufferSize) ? g.rootDirSize - written : kBufferSize);
        ZeroMemory(m_buffer, chunk);
        if (written == 0 && label) memcpy(m_buffer, sector.data(), 32);
        if (!volume.Write(g.rootDirOffset + written, m_buffer, chunk)) return Fail(TXT_DRIVE_WRITE, kTextDriveWrite);
        written += chunk;
    }
    ZeroMemory(m_buffer, kBufferSize);
    return true;
}

bool CWholeDriveShredder::ZeroFillRun(IRawVolume& volume, ULONGLONG start, ULONGLONG length) {
    ZeroMemory(m_buffer, kBufferSize);
    for (ULONGLONG done = 0; done < length;) {
        const DWORD chunk = DWORD(length - done < ULONGLONG(kBufferSize) ? length - done : kBufferSize);
        if (!volume.Write(start + done, m_buffer, chunk)) {
            m_host.ShowSystemError(GetLastError());
            return false;
        }
        done += chunk;
    }
    return true;
}

bool CWholeDriveShredder::ScanNtfsSystemFiles(IRawVolume& volume, CVolumeGeometry& g) {
    m_runs.clear();
    g.preservedBytes = 0;
    const ULONGLONG cluster = ULONGLONG(g.bytesPerSector) * g.sectorsPerCluster;
    std::vector<BYTE> record(g.mftRecordSize);
    ULONGLONG mftStart = 0;
    bool haveMft = false;
    DWORD n = 0;
    for (;; ++n) {
        const ULONGLONG at = g.mftOffset + ULONGLONG(n) * g.mftRecordSize;
        if (at + g.mftRecordSize > g.volumeBytes) break;
        if (!volume.Read(at, record.data(), g.mftRecordSize)) {
            m_host.ShowSystemError(GetLastError());
            return false;
        }
        if (memcmp(record.data(), "FILE", 4) != 0 || !ApplyFixups(record.data(), g.mftRecordSize, 512)) break;
        // A record not in use may still list a deleted file's runs: those are shredded, not kept.
        const bool inUse = (U16(record.data() + 0x16) & 1) != 0;
        if (!inUse) {
            if (n >= kNtfsKeptRecords) break;
            continue;
        }
        bool ends = false;
        std::vector<CSkipRun> found;
        DWORD offset = U16(record.data() + 0x14);
        while (offset + 16 <= g.mftRecordSize) {
            const BYTE* attr = record.data() + offset;
            const DWORD type = U32(attr), length = U32(attr + 4);
            if (type == 0xFFFFFFFF || length < 16 || offset + length > g.mftRecordSize) break;
            if (type == 0x30 && attr[8] == 0 && length >= 0x18) {
                const DWORD value = U16(attr + 0x14);
                if (value + 0x42 <= length) {
                    const int chars = attr[value + 0x40];
                    if (value + 0x42 + 2ull * chars <= length && n >= kNtfsKeptRecords &&
                        !IsKeptSystemName(NameOf(attr + value + 0x42, chars)))
                        ends = true;
                }
            }
            if (attr[8] == 1 && length >= 0x40) {
                const DWORD listAt = U16(attr + 0x20);
                if (listAt < length) {
                    const std::vector<CDataRun> runs = DecodeRunList(attr + listAt, length - listAt);
                    for (size_t i = 0; i < runs.size(); ++i) {
                        if (runs[i].lcn < 0) continue;
                        const CSkipRun run = {runs[i].clusters * cluster, ULONGLONG(runs[i].lcn) * cluster};
                        if (n == 0 && type == 0x80) {
                            // The records after the kept ones are shredded: only the start of the MFT stays.
                            if (i == 0) {
                                mftStart = run.start;
                                haveMft = true;
                            }
                            continue;
                        }
                        if (n == 2 && type == 0x80 && !ZeroFillRun(volume, run.start, run.length)) return false;
                        found.push_back(run);
                    }
                }
            }
            offset += length;
        }
        if (ends) break;
        for (const CSkipRun& run : found) {
            g.preservedBytes += run.length;
            InsertSkipRun(m_runs, run);
        }
    }
    if (!haveMft || n < kNtfsKeptRecords) {
        // Without the MFT's own records the volume's layout is not what the boot sector says.
        SetLastError(ERROR_FILE_CORRUPT);
        m_host.ShowSystemError(ERROR_FILE_CORRUPT);
        return false;
    }
    g.recordCounter = n;
    const CSkipRun mft = {ULONGLONG(n) * g.mftRecordSize, mftStart};
    g.preservedBytes += mft.length;
    InsertSkipRun(m_runs, mft);
    return true;
}

int CWholeDriveShredder::Run(IRawVolume& volume, CVolumeGeometry g, const CAlgorithm& algorithm) {
    m_runs.clear();
    if (g.type == FS_NTFS) {
        if (!ScanNtfsSystemFiles(volume, g)) return 1;
    } else {
        InsertSkipRun(m_runs, {g.rootDirSize, g.rootDirOffset});
    }
    const ULONGLONG bytesPerPass = g.bytesToWrite > g.preservedBytes ? g.bytesToWrite - g.preservedBytes : 0;
    const ULONGLONG range = bytesPerPass / kBufferSize + (g.type == FS_NTFS ? 1 : 2);
    m_progress.SetPassRange(DWORD(range > 0x7FFFFFFF ? 0x7FFFFFFF : range));
    m_progress.SetPassPos(0);
    m_progress.SetJobRange(ULONGLONG(algorithm.PassCount()) * bytesPerPass / kBufferSize + 1);

    if (g.type != FS_NTFS) {
        if (!ClearFatTables(volume, g)) return Fail(TXT_CLEAR_FAT, kTextClearFat), 1;
        if (!ClearRootDirectory(volume, g)) return Fail(TXT_CLEAR_ROOT, kTextClearRoot), 1;
    }
    for (int pass = 0; pass < algorithm.PassCount() && !Stopping(); ++pass) {
        const CAlgorithmPass& p = algorithm.passes[size_t(pass)];
        m_progress.SetPassText(COverwriteEngine::PassText(algorithm, pass));
        FillPassBuffer(m_buffer, kBufferSize, p.type, p.pattern);
        ULONGLONG position = g.startOffset;
        DWORD block = 0;
        // Until the end of the volume, not a count of blocks: a block cut short by
        // a kept run must not leave the volume's last bytes unwritten.
        while (position < g.volumeBytes && !Stopping()) {
            ULONGLONG length = g.volumeBytes - position < ULONGLONG(kBufferSize) ? g.volumeBytes - position : kBufferSize;
            for (const CSkipRun& run : m_runs) {
                const ULONGLONG end = run.start + run.length;
                if (end <= position) continue;
                if (run.start <= position) {
                    position = end;
                    length = 0;
                    break;
                }
                if (run.start < position + length) length = run.start - position;
                break;
            }
            if (length == 0) continue;
            if (!volume.Write(position, m_buffer, DWORD(length))) return Fail(TXT_DRIVE_WRITE, kTextDriveWrite), 1;
            position += length;
            m_progress.SetPassPos(++block);
            m_progress.StepJob(1);
            m_progress.Pump();
        }
        if (!Stopping()) m_progress.PassWritten("", pass);
    }
    return Stopping() ? 1 : 0;
}

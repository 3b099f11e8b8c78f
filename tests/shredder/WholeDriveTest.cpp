#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <functional>

#include "ShredderTestBed.h"
#include "WholeDrive.h"

namespace {
void Put16(std::vector<BYTE>& b, size_t at, WORD v) {
    b[at] = BYTE(v);
    b[at + 1] = BYTE(v >> 8);
}
void Put32(std::vector<BYTE>& b, size_t at, DWORD v) {
    for (int i = 0; i < 4; ++i) b[at + i] = BYTE(v >> (8 * i));
}

// A Windows 9x disk behind VWIN32: executes the absolute-disk calls on a
// memory image and refuses writes outside a logical-volume lock.
class CFakeVwin32 : public IVwin32Device {
public:
    std::vector<BYTE> disk;
    std::vector<std::string> calls;
    bool locked = false;

    bool Control(DWORD code, CVwin32Registers& r) override {
        char line[96];
        r.flags = 0;
        if (code == VWIN32_DIOC_DOS_IOCTL) {
            snprintf(line, sizeof(line), "ioctl %lX %lX %lX %lX", r.eax, r.ecx, r.ebx, r.edx);
            if (r.ecx == 0x084A) locked = true;
            if (r.ecx == 0x086A || r.ecx == 0x486A) locked = false;
        } else {
            const CDiskIoPacket* p = reinterpret_cast<const CDiskIoPacket*>(UINT_PTR(r.ebx));
            const bool write = code == VWIN32_DIOC_DOS_INT26 || (code == VWIN32_DIOC_DOS_DRIVEINFO && r.esi == 0x6001);
            snprintf(line, sizeof(line), "%s %lu %s", code == VWIN32_DIOC_DOS_DRIVEINFO ? "7305" : "int2x",
                     code == VWIN32_DIOC_DOS_DRIVEINFO ? r.edx : r.eax + 1, write ? "w" : "r");
            BYTE* buffer = reinterpret_cast<BYTE*>(UINT_PTR(p->buffer));
            const size_t at = size_t(p->startSector) * 512, n = size_t(p->sectorCount) * 512;
            if (r.ecx != 0xFFFF || at + n > disk.size() || (write && !locked)) {
                r.flags = 1;
                r.eax = ERROR_ACCESS_DENIED;
            } else if (write) {
                memcpy(&disk[at], buffer, n);
            } else {
                memcpy(buffer, &disk[at], n);
            }
        }
        calls.push_back(line);
        return true;
    }
};

struct CQuietHost : public CTestHost {
    CQuietHost() : CTestHost("Quiet") {}
    std::vector<CString> reports;
    int Report(const CString& text, UINT) override {
        reports.push_back(text);
        return IDOK;
    }
    int Ask(const CString&, UINT, int) override { return IDYES; }
    void ShowSystemError(DWORD code) override { reports.push_back(CString("system error")), (void)code; }
};

// FAT16, 512-byte sectors, 4 per cluster, 1 reserved, 2 FATs of 20 sectors,
// 512 root entries, 20000 sectors counted only in the 16-bit field.
std::vector<BYTE> Fat16Image() {
    std::vector<BYTE> d(20000 * 512, 'S');
    std::fill(d.begin(), d.begin() + 512 * 41, 0);
    Put16(d, 0x0B, 512);
    d[0x0D] = 4;
    Put16(d, 0x0E, 1);
    d[0x10] = 2;
    Put16(d, 0x11, 512);
    Put16(d, 0x13, 20000);
    d[0x15] = 0xF8;
    Put16(d, 0x16, 20);
    Put16(d, 0x1FE, 0xAA55);
    for (int k = 0; k < 2; ++k) {
        const size_t fat = 512 * (1 + 20 * k);
        Put32(d, fat, 0xFFFFFFF8);
        for (int e = 2; e < 100; ++e) Put16(d, fat + 2 * e, WORD(e + 1));
    }
    const size_t root = 512 * 41;
    std::fill(d.begin() + root, d.begin() + root + 512 * 32, 0);
    memcpy(&d[root], "GRINDEL    ", 11);
    d[root + 11] = 0x08;
    memcpy(&d[root + 32], "SECRET  TXT", 11);
    return d;
}
}  // namespace

TEST(RawVolume, Windows9xWritesGoThroughVwin32InsideALock) {
    CFakeVwin32 device;
    device.disk = Fat16Image();
    CVwin32Volume volume(device, DriveNumberOf("c:"), FS_FAT16, 512);
    BYTE sector[512];
    ASSERT_TRUE(volume.Read(0, sector, 512));
    CVolumeGeometry g;
    ASSERT_TRUE(ParseBootSector(sector, g));
    EXPECT_EQ(g.volumeBytes, 20000ull * 512);

    CQuietHost host;
    CSilentProgress progress;
    std::vector<BYTE> buffer(65536);
    volatile bool abort = false, endSession = false;
    CWholeDriveShredder shredder(host, progress, buffer.data(), abort, endSession);
    CAlgorithm algorithm;
    algorithm.passes = {CAlgorithmPass::Pattern({0x55})};
    device.calls.clear();
    EXPECT_EQ(shredder.Run(volume, g, algorithm), 0);
    EXPECT_TRUE(host.reports.empty());

    // Int 25h/26h on drive C (3), each write between a level-1 lock and its unlock.
    ASSERT_GE(device.calls.size(), 4u);
    EXPECT_EQ(device.calls[0], "ioctl 440D 84A 103 1");
    EXPECT_EQ(device.calls[1], "int2x 3 r");
    EXPECT_EQ(device.calls[2], "ioctl 440D 86A 3 0");
    for (size_t i = 0; i < device.calls.size(); ++i)
        if (device.calls[i] == "int2x 3 w") {
            EXPECT_EQ(device.calls[i - 1], "ioctl 440D 84A 103 1");
            EXPECT_EQ(device.calls[i + 1], "ioctl 440D 86A 3 0");
        }
    const std::vector<BYTE>& d = device.disk;
    for (int k = 0; k < 2; ++k) {
        const size_t fat = 512 * (1 + 20 * k);
        EXPECT_EQ(d[fat], 0xF8);
        EXPECT_EQ(std::count(d.begin() + fat + 4, d.begin() + fat + 20 * 512, 0), 20 * 512 - 4);
    }
    const size_t root = 512 * 41;
    EXPECT_EQ(std::string(d.begin() + root, d.begin() + root + 11), "GRINDEL    ");
    EXPECT_EQ(std::count(d.begin() + root + 32, d.begin() + root + 512 * 32, 0), 512 * 32 - 32);
    EXPECT_EQ(size_t(std::count(d.begin() + root + 512 * 32, d.end(), 0x55)), d.size() - root - 512 * 32);
}

TEST(RawVolume, FailingVwin32CallsAndLocksWriteNothing) {
    CFakeVwin32 device;
    device.disk.assign(64 * 512, 'x');
    CVwin32Volume fat32(device, 4, FS_FAT32, 512);
    BYTE block[1024] = {};
    EXPECT_FALSE(fat32.Write(100, block, 512));  // not a whole sector
    EXPECT_FALSE(fat32.Write(63 * 512, block, 1024));  // beyond the disk: the carry comes back
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fat32.Write(512, block, 512));
    EXPECT_EQ(device.calls.back(), "ioctl 440D 486A 4 0");  // a 7305h write ends with the FAT32 unlock
    EXPECT_EQ(std::count(device.disk.begin(), device.disk.end(), 0), 512);
}

TEST(BootSector, LayoutsAndTheirLimits) {
    struct Row {
        const char* name;
        std::function<void(std::vector<BYTE>&)> change;
        bool ok;
        int type;
        DWORD recordSize;
        ULONGLONG start;
    };
    auto ntfs = [](signed char c) {
        return [c](std::vector<BYTE>& b) {
            std::fill(b.begin(), b.begin() + 0x50, 0);
            memcpy(&b[3], "NTFS    ", 8);
            Put16(b, 0x0B, 512);
            b[0x0D] = 8;
            Put32(b, 0x28, 40000);
            Put32(b, 0x30, 4);
            b[0x40] = BYTE(c);
        };
    };
    const Row rows[] = {
        {"FAT16 with its total in 16 bits", [](std::vector<BYTE>&) {}, true, FS_FAT16, 0, 41 * 512},
        {"NTFS 0xF6 records", ntfs(-10), true, FS_NTFS, 1024, 16 * 512},
        {"NTFS one cluster per record", ntfs(1), true, FS_NTFS, 4096, 16 * 512},
        {"FAT32", [](std::vector<BYTE>& b) {
             Put16(b, 0x11, 0);
             Put16(b, 0x16, 0);
             Put32(b, 0x20, 300000);
             Put32(b, 0x24, 600);
             Put32(b, 0x2C, 2);
         }, true, FS_FAT32, 0, (32 + 2 * 600) * 512},
        {"FAT12", [](std::vector<BYTE>& b) { Put16(b, 0x13, 8000); }, false, 0, 0, 0},
        {"no signature", [](std::vector<BYTE>& b) { Put16(b, 0x1FE, 0); }, false, 0, 0, 0},
        {"odd sector size", [](std::vector<BYTE>& b) { Put16(b, 0x0B, 600); }, false, 0, 0, 0},
        {"MFT record size out of range", ntfs(-40), false, 0, 0, 0},
    };
    const std::vector<BYTE> image = Fat16Image();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<BYTE> sector(image.begin(), image.begin() + 512);
        if (std::string(row.name) == "FAT32") Put16(sector, 0x0E, 32);
        row.change(sector);
        CVolumeGeometry g;
        ASSERT_EQ(ParseBootSector(sector.data(), g), row.ok);
        if (!row.ok) continue;
        EXPECT_EQ(g.type, row.type);
        EXPECT_EQ(g.startOffset, row.start);
        if (row.type == FS_NTFS) { EXPECT_EQ(g.mftRecordSize, row.recordSize); }
        if (row.type == FS_FAT32) { EXPECT_EQ(g.rootDirSize, 4u * 512); }
    }
}

TEST(NtfsRuns, RelativeOffsetsSparseRunsAndMerging) {
    // 0x21: 1-byte length, 2-byte offset. The second run lies 0x10 clusters
    // before the first (a signed step), the third is sparse, the fourth follows on.
    const BYTE list[] = {0x21, 0x08, 0x00, 0x01, 0x21, 0x04, 0xF0, 0xFF, 0x01, 0x03, 0x11, 0x02, 0x14, 0x00};
    const std::vector<CDataRun> runs = DecodeRunList(list, sizeof(list));
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].lcn, 0x100);
    EXPECT_EQ(runs[1].lcn, 0xF0);
    EXPECT_EQ(runs[2].lcn, -1);
    EXPECT_EQ(runs[3].lcn, 0x104);

    std::vector<CSkipRun> skip;
    InsertSkipRun(skip, {100, 1000});
    InsertSkipRun(skip, {100, 500});
    InsertSkipRun(skip, {400, 600});  // closes the gap: one run from 500 to 1100
    InsertSkipRun(skip, {10, 2000});
    ASSERT_EQ(skip.size(), 2u);
    EXPECT_EQ(skip[0].start, 500u);
    EXPECT_EQ(skip[0].length, 600u);
    EXPECT_EQ(skip[1].start, 2000u);
}

namespace {
// The drive behind the volume seam: a FAT16 image in memory.
class CMemoryVolume : public IRawVolume {
public:
    CMemoryVolume(std::vector<BYTE>& disk, bool lockable, bool readable, int& writes)
        : m_disk(disk), m_lockable(lockable), m_readable(readable), m_writes(writes) {}
    bool Read(ULONGLONG offset, BYTE* buffer, DWORD length) override {
        if (!m_readable || offset + length > m_disk.size()) return SetLastError(ERROR_CRC), false;
        memcpy(buffer, &m_disk[size_t(offset)], length);
        return true;
    }
    bool Write(ULONGLONG offset, const BYTE* buffer, DWORD length) override {
        ++m_writes;
        if (offset + length > m_disk.size()) return SetLastError(ERROR_WRITE_FAULT), false;
        memcpy(&m_disk[size_t(offset)], buffer, length);
        return true;
    }
    bool Size(ULONGLONG* size) override { return *size = m_disk.size(), true; }
    bool Lock() override { return m_lockable; }

private:
    std::vector<BYTE>& m_disk;
    bool m_lockable, m_readable;
    int& m_writes;
};

class CCancelAfter : public CSilentProgress {
public:
    CCancelAfter(volatile bool& abort, int pumps) : m_abort(abort), m_left(pumps) {}
    void Pump() override {
        if (m_left > 0 && --m_left == 0) m_abort = true;
    }

private:
    volatile bool& m_abort;
    int m_left;
};

class CDriveSeamShred : public CDriveShred {
public:
    using CDriveShred::CDriveShred;
    std::vector<BYTE> disk = Fat16Image();
    bool lockable = true, readable = true;
    int writes = 0;

protected:
    IRawVolume* OpenNtVolume(const CString&) override { return new CMemoryVolume(disk, lockable, readable, writes); }
};
}  // namespace

// Wine locks any volume, so a volume in use is shown through the seam.
TEST(WholeDriveShred, FormatFollowsOnlyAShredThatRanToItsEndAndWhatIsLeftIsTold) {
    struct Case {
        const char* name;
        const char* drive;
        int answer;
        bool lockable, readable;
        int cancelAfterPumps;
        int formatAfter;
        bool formatWorks;
        bool written;
        int formats;
        const char* box;  // the last box starts so (null: any)
    } cases[] = {
        {"completed", "Z:", IDYES, true, true, 0, 1, true, true, 1, "WARNING"},
        {"format did not happen", "Z:", IDYES, true, true, 0, 1, false, true, 1,
         "Drive Z: has been overwritten, but it has not been formatted.\nIts FAT16 file system is still on it, empty"},
        {"left unformatted by choice", "Z:", IDYES, true, true, 0, 0, true, true, 0, "WARNING"},
        {"answered No", "Z:", IDNO, true, true, 0, 1, true, false, 0, "WARNING"},
        {"volume in use", "Z:", IDYES, false, true, 0, 1, true, false, 0, "Could not lock drive Z:"},
        {"boot sector unreadable", "Z:", IDYES, true, false, 0, 1, true, false, 0, nullptr},  // the system's own text
        {"cancelled", "Z:", IDYES, true, true, 5, 1, true, true, 0,
         "The shred of drive Z: was stopped before it ended.\nThe drive has been partly overwritten"},
        {"system drive", "C:", IDYES, true, true, 0, 1, true, false, 0, "Drive C: holds Windows"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CShredderTestBed bed;
        CScriptedMessageBoxes boxes;
        CTestJob job(bed);
        CDriveSeamShred drive(job.job);
        drive.lockable = c.lockable;
        drive.readable = c.readable;
        job.host.formatWorks = c.formatWorks;
        job.host.progressFactory = [&job, &c]() -> IShredProgress* {
            return c.cancelAfterPumps ? new CCancelAfter(job.abort, c.cancelAfterPumps) : new CSilentProgress;
        };
        boxes.QueueAnswer(c.answer);
        drive.ShredWholeDrive(c.drive, "FAT", c.formatAfter);
        EXPECT_EQ(drive.writes > 0, c.written);
        EXPECT_EQ(job.host.formats, c.formats);
        ASSERT_FALSE(boxes.Boxes().empty());
        if (c.box) {
            EXPECT_EQ(boxes.Boxes().back().text.rfind(c.box, 0), 0u) << boxes.Boxes().back().text;
        }
        const std::vector<RecordedBox> shown = boxes.Boxes();
        const bool toldPartly = std::any_of(shown.begin(), shown.end(), [](const RecordedBox& box) {
            return box.text.find("partly overwritten") != std::string::npos;
        });
        EXPECT_EQ(toldPartly, c.cancelAfterPumps > 0);
        const bool secretLeft =
            std::search(drive.disk.begin(), drive.disk.end(), "SECRET", "SECRET" + 6) != drive.disk.end();
        EXPECT_EQ(secretLeft, !c.written);
    }
}

// RawVolume.h - sector access to a whole volume: NT volume handles
// ("\\.\C:") and, on Windows 95/98/ME, the VWIN32 device's absolute-disk
// calls (Int 25h/26h, Int 21h 7305h) inside logical-volume locks.
// Offers: IRawVolume (byte offsets, whole sectors), CNtVolume, IVwin32Device
// with CVwin32Device (DeviceIoControl on \\.\vwin32), the lock and sector
// calls, CVwin32Volume, GetFileSystemType and DriveNumberOf.
// Every call reports failure by its result with the cause in GetLastError;
// a VWIN32 call fails when DeviceIoControl does or the returned carry is set.
// Deliberately not: geometry ioctls (image-backed devices refuse them; the
// boot sector says it all).
#pragma once

#include <windows.h>

#include <cstddef>

#include "Handles.h"
#include "Strings.h"

enum FileSystemType { FS_FAT16 = 0, FS_FAT32 = 1, FS_NTFS = 2 };

// 0 with *type set; 1 a file system Grindel does not handle; 2 the volume cannot be queried.
int GetFileSystemType(const char* root, int* type);

// "c:" and "C:\..." give 3; 0 for anything that does not start with a letter.
int DriveNumberOf(const char* drive);

class IRawVolume {
public:
    virtual ~IRawVolume() = default;
    virtual bool Read(ULONGLONG offset, BYTE* buffer, DWORD length) = 0;
    virtual bool Write(ULONGLONG offset, const BYTE* buffer, DWORD length) = 0;
    // The device's size in bytes; false when the device cannot tell.
    virtual bool Size(ULONGLONG* size) { (void)size; return false; }
    // Takes the volume from its file system before the first write, whose
    // cached FAT or MFT would otherwise undo the writes; false while files
    // are open on it.
    virtual bool Lock() { return true; }
    // After the last write: the file system reads the volume afresh.
    virtual void Dismount() {}
};

class CNtVolume : public IRawVolume {
public:
    // drive: "C:"; the name opened is "\\.\C:".
    bool Open(const char* drive, bool writeThrough);
    static CString DeviceName(const char* drive);
    bool Read(ULONGLONG offset, BYTE* buffer, DWORD length) override;
    bool Write(ULONGLONG offset, const BYTE* buffer, DWORD length) override;
    bool Size(ULONGLONG* size) override;
    bool Lock() override;
    void Dismount() override;

private:
    bool Seek(ULONGLONG offset);
    CHandle m_handle;
};

// The register block VWIN32 reads and returns, in its published order.
struct CVwin32Registers {
    DWORD ebx, edx, ecx, eax, edi, esi, flags;
};
// The VWIN32 device reads both records as the DOS calls lay them out.
static_assert(sizeof(CVwin32Registers) == 28, "VWIN32 takes seven 32-bit registers");

enum Vwin32Code {
    VWIN32_DIOC_DOS_IOCTL = 1,
    VWIN32_DIOC_DOS_INT25 = 2,
    VWIN32_DIOC_DOS_INT26 = 3,
    VWIN32_DIOC_DOS_DRIVEINFO = 6,
};

#pragma pack(push, 1)
struct CDiskIoPacket {
    DWORD startSector;
    WORD sectorCount;
    DWORD buffer;  // a 32-bit address: VWIN32 exists only for 32-bit programs
};
#pragma pack(pop)
static_assert(sizeof(CDiskIoPacket) == 10 && offsetof(CDiskIoPacket, buffer) == 6, "the DOS disk packet is 10 bytes");

class IVwin32Device {
public:
    virtual ~IVwin32Device() = default;
    virtual bool Control(DWORD code, CVwin32Registers& registers) = 0;
};

class CVwin32Device : public IVwin32Device {
public:
    bool Open();
    bool Control(DWORD code, CVwin32Registers& registers) override;

private:
    CHandle m_handle;
};

// drive is 1-based (A = 1) throughout.
bool LockLogicalVolume(IVwin32Device& device, int drive, int level, int permissions);
bool UnlockLogicalVolume(IVwin32Device& device, int drive);
bool UnlockLogicalVolume32(IVwin32Device& device, int drive);
bool ReadSectors16(IVwin32Device& device, int drive, BYTE* buffer, DWORD start, WORD count);
bool WriteSectors16(IVwin32Device& device, int drive, DWORD start, WORD count, const BYTE* buffer);
bool ReadSectors32(IVwin32Device& device, int drive, BYTE* buffer, DWORD start, WORD count);
bool WriteSectors32(IVwin32Device& device, int drive, DWORD start, WORD count, const BYTE* buffer);

// A volume over VWIN32: offsets and lengths must be whole sectors.
class CVwin32Volume : public IRawVolume {
public:
    CVwin32Volume(IVwin32Device& device, int drive, int type, DWORD bytesPerSector)
        : m_device(device), m_drive(drive), m_type(type), m_bytesPerSector(bytesPerSector) {}
    bool Read(ULONGLONG offset, BYTE* buffer, DWORD length) override;
    bool Write(ULONGLONG offset, const BYTE* buffer, DWORD length) override;
    void SetBytesPerSector(DWORD bytes) { m_bytesPerSector = bytes; }

private:
    bool Sectors(ULONGLONG offset, DWORD length, DWORD* start, WORD* count) const;
    IVwin32Device& m_device;
    int m_drive, m_type;
    DWORD m_bytesPerSector;
};

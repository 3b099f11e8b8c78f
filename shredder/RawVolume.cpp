#include "RawVolume.h"

#include <windows.h>
#include <winioctl.h>

#include <cctype>

namespace {
const DWORD kCarry = 1;

bool Call(IVwin32Device& device, DWORD code, CVwin32Registers& r) {
    r.flags = kCarry;
    if (!device.Control(code, r)) return false;
    if (r.flags & kCarry) {
        // The DOS error code comes back in AX; its basic values match the Win32 ones.
        SetLastError((r.eax & 0xFFFF) ? (r.eax & 0xFFFF) : DWORD(ERROR_GEN_FAILURE));
        return false;
    }
    return true;
}

bool Ioctl(IVwin32Device& device, DWORD ecx, DWORD ebx, DWORD edx) {
    CVwin32Registers r = {};
    r.eax = 0x440D;
    r.ecx = ecx;
    r.ebx = ebx;
    r.edx = edx;
    return Call(device, VWIN32_DIOC_DOS_IOCTL, r);
}

bool AbsoluteDisk(IVwin32Device& device, DWORD code, int drive, DWORD start, WORD count, const BYTE* buffer) {
    CDiskIoPacket packet = {start, count, DWORD(reinterpret_cast<UINT_PTR>(buffer))};
    CVwin32Registers r = {};
    r.eax = DWORD(drive - 1);
    r.ebx = DWORD(reinterpret_cast<UINT_PTR>(&packet));
    r.ecx = 0xFFFF;
    return Call(device, code, r);
}

bool ExtendedDisk(IVwin32Device& device, int drive, DWORD start, WORD count, const BYTE* buffer, DWORD mode) {
    CDiskIoPacket packet = {start, count, DWORD(reinterpret_cast<UINT_PTR>(buffer))};
    CVwin32Registers r = {};
    r.eax = 0x7305;
    r.ebx = DWORD(reinterpret_cast<UINT_PTR>(&packet));
    r.ecx = 0xFFFF;
    r.edx = DWORD(drive);
    r.esi = mode;
    return Call(device, VWIN32_DIOC_DOS_DRIVEINFO, r);
}
}  // namespace

int GetFileSystemType(const char* root, int* type) {
    char name[64] = "";
    if (!GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, name, sizeof(name))) return 2;
    if (lstrcmpiA(name, "FAT32") == 0) *type = FS_FAT32;
    else if (lstrcmpiA(name, "FAT") == 0) *type = FS_FAT16;
    else if (lstrcmpiA(name, "NTFS") == 0) *type = FS_NTFS;
    else return 1;
    return 0;
}

int DriveNumberOf(const char* drive) {
    if (!drive || !isalpha(static_cast<unsigned char>(drive[0]))) return 0;
    return toupper(static_cast<unsigned char>(drive[0])) - 64;
}

CString CNtVolume::DeviceName(const char* drive) { return CString("\\\\.\\") + drive; }

bool CNtVolume::Open(const char* drive, bool writeThrough) {
    m_handle.Attach(CreateFileA(DeviceName(drive), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, writeThrough ? FILE_FLAG_WRITE_THROUGH : 0, nullptr));
    return m_handle.IsValid();
}

bool CNtVolume::Seek(ULONGLONG offset) {
    LONG high = LONG(offset >> 32);
    SetLastError(NO_ERROR);
    return SetFilePointer(m_handle, LONG(DWORD(offset)), &high, FILE_BEGIN) != INVALID_SET_FILE_POINTER ||
           GetLastError() == NO_ERROR;
}

bool CNtVolume::Read(ULONGLONG offset, BYTE* buffer, DWORD length) {
    DWORD done = 0;
    if (!Seek(offset) || !ReadFile(m_handle, buffer, length, &done, nullptr)) return false;
    if (done != length) SetLastError(ERROR_HANDLE_EOF);
    return done == length;
}

bool CNtVolume::Write(ULONGLONG offset, const BYTE* buffer, DWORD length) {
    DWORD done = 0;
    if (!Seek(offset) || !WriteFile(m_handle, buffer, length, &done, nullptr)) return false;
    if (done != length) SetLastError(ERROR_WRITE_FAULT);
    return done == length;
}

bool CNtVolume::Size(ULONGLONG* size) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(m_handle, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    *size = (ULONGLONG(high) << 32) | low;
    return *size > 0;
}

bool CNtVolume::Lock() {
    DWORD returned = 0;
    return DeviceIoControl(m_handle, FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) != FALSE;
}

void CNtVolume::Dismount() {
    // Wine refuses the dismount (87); closing the handle ends the lock all the same.
    DWORD returned = 0;
    DeviceIoControl(m_handle, FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
}

bool CVwin32Device::Open() {
    m_handle.Attach(CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, 0, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return m_handle.IsValid();
}

bool CVwin32Device::Control(DWORD code, CVwin32Registers& registers) {
    DWORD returned = 0;
    return DeviceIoControl(m_handle, code, &registers, sizeof(registers), &registers, sizeof(registers), &returned,
                           nullptr) != FALSE;
}

bool LockLogicalVolume(IVwin32Device& device, int drive, int level, int permissions) {
    return Ioctl(device, 0x084A, DWORD(drive + level * 256), DWORD(permissions));
}

bool UnlockLogicalVolume(IVwin32Device& device, int drive) { return Ioctl(device, 0x086A, DWORD(drive), 0); }

bool UnlockLogicalVolume32(IVwin32Device& device, int drive) { return Ioctl(device, 0x486A, DWORD(drive), 0); }

bool ReadSectors16(IVwin32Device& device, int drive, BYTE* buffer, DWORD start, WORD count) {
    if (!LockLogicalVolume(device, drive, 1, 1)) return false;
    const bool ok = AbsoluteDisk(device, VWIN32_DIOC_DOS_INT25, drive, start, count, buffer);
    const DWORD error = GetLastError();
    UnlockLogicalVolume(device, drive);
    SetLastError(error);
    return ok;
}

bool WriteSectors16(IVwin32Device& device, int drive, DWORD start, WORD count, const BYTE* buffer) {
    if (!LockLogicalVolume(device, drive, 1, 1)) return false;
    const bool ok = AbsoluteDisk(device, VWIN32_DIOC_DOS_INT26, drive, start, count, buffer);
    const DWORD error = GetLastError();
    UnlockLogicalVolume(device, drive);
    SetLastError(error);
    return ok;
}

bool ReadSectors32(IVwin32Device& device, int drive, BYTE* buffer, DWORD start, WORD count) {
    return ExtendedDisk(device, drive, start, count, buffer, 0);
}

bool WriteSectors32(IVwin32Device& device, int drive, DWORD start, WORD count, const BYTE* buffer) {
    if (!LockLogicalVolume(device, drive, 1, 1)) return false;
    const bool ok = ExtendedDisk(device, drive, start, count, buffer, 0x6001);
    const DWORD error = GetLastError();
    UnlockLogicalVolume32(device, drive);
    SetLastError(error);
    return ok;
}

bool CVwin32Volume::Sectors(ULONGLONG offset, DWORD length, DWORD* start, WORD* count) const {
    if (m_bytesPerSector == 0 || offset % m_bytesPerSector || length % m_bytesPerSector ||
        offset / m_bytesPerSector > 0xFFFFFFFFull || length / m_bytesPerSector > 0xFFFF) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    *start = DWORD(offset / m_bytesPerSector);
    *count = WORD(length / m_bytesPerSector);
    return true;
}

bool CVwin32Volume::Read(ULONGLONG offset, BYTE* buffer, DWORD length) {
    DWORD start = 0;
    WORD count = 0;
    if (!Sectors(offset, length, &start, &count)) return false;
    return m_type == FS_FAT32 ? ReadSectors32(m_device, m_drive, buffer, start, count)
                              : ReadSectors16(m_device, m_drive, buffer, start, count);
}

bool CVwin32Volume::Write(ULONGLONG offset, const BYTE* buffer, DWORD length) {
    DWORD start = 0;
    WORD count = 0;
    if (!Sectors(offset, length, &start, &count)) return false;
    return m_type == FS_FAT32 ? WriteSectors32(m_device, m_drive, start, count, buffer)
                              : WriteSectors16(m_device, m_drive, start, count, buffer);
}

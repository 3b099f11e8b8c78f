// Drive roots of CShredderApp: the drive question, the whole-drive shred over
// the raw volume of this platform, and the Format dialog after it.
#include <shlobj.h>

#include <memory>

#include "LangPack.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"

using namespace Grindel;

bool CShredderApp::RunDriveOptionsDialog(const CString& root, const CString&, bool*, bool*) {
    Report(LoadLangStringWith(TXT_NOT_AVAILABLE, kTextNotAvailable, root), MB_ICONINFORMATION);
    return false;
}

void CShredderApp::FormatDrive(const CString& drive, bool) {
    SHFormatDrive(GetActiveWindow(), UINT(DriveNumberOf(drive) - 1), SHFMT_ID_DEFAULT, 0);
}

IVwin32Device* CShredderApp::OpenVwin32Device() {
    std::unique_ptr<CVwin32Device> device(new CVwin32Device);
    return device->Open() ? device.release() : nullptr;
}

int CShredderApp::ShredDriveRoot(const CString& root) {
    char label[261] = "", fileSystem[65] = "";
    GetVolumeInformationA(root, label, sizeof(label), nullptr, nullptr, nullptr, fileSystem, sizeof(fileSystem));
    const CString drive = root.Left(2);
    if (m_optionD == -1) {
        bool freeSpaceOnly = true, formatAfter = false;
        if (!RunDriveOptionsDialog(root, fileSystem, &freeSpaceOnly, &formatAfter)) return 1;
        if (freeSpaceOnly) return ShredFreeSpace(root);
        return ShredWholeDrive(drive, fileSystem, formatAfter ? 1 : 0);
    }
    if (m_optionD == 0) return ShredFreeSpace(root);
    return 0;
}

int CShredderApp::ShredWholeDrive(const CString& drive, const CString& fileSystem, int formatAfter) {
    if (Ask(LoadLangString(TXT_CONFIRM_DRIVE, kTextConfirmDrive), MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2, IDNO) !=
        IDYES)
        return 0;
    const int rc = OverwriteDrive(drive);
    if (formatAfter == 1) FormatDrive(drive, fileSystem == "NTFS");
    return rc;
}

int CShredderApp::OverwriteDrive(const CString& drive) {
    const CAlgorithm* algorithm = JobAlgorithm();
    if (!algorithm) return 1;
    std::unique_ptr<IShredProgress> own;
    IShredProgress* progress = OpenJobProgress(own);
    if (!progress) {
        return 1;
    }
    progress->SetCaption(LoadLangString(TXT_DRIVE_CAPTION, kTextDriveCaption) + " " + drive);
    progress->SetItemText("Drive " + drive);

    int type = FS_FAT16;
    const int known = GetFileSystemType(drive + "\\", &type);
    if (known != 0) {
        Report(known == 1 ? LoadLangString(TXT_UNSUPPORTED_FS, kTextUnsupportedFs)
                          : LoadLangString(TXT_UNKNOWN_FS, kTextUnknownFs),
               MB_ICONERROR);
        return 1;
    }
    std::unique_ptr<IVwin32Device> device;
    std::unique_ptr<IRawVolume> volume;
    if (m_isNT) {
        std::unique_ptr<CNtVolume> nt(new CNtVolume);
        if (!nt->Open(drive, true)) {
            Report(LoadLangStringWith(TXT_EXCLUSIVE, kTextExclusive, CNtVolume::DeviceName(drive)), MB_ICONERROR);
            return 0;
        }
        volume.reset(nt.release());
    } else {
        device.reset(OpenVwin32Device());
        if (!device) {
            Report(LoadLangStringWith(TXT_EXCLUSIVE, kTextExclusive, "\\\\.\\vwin32"), MB_ICONERROR);
            return 0;
        }
        volume.reset(new CVwin32Volume(*device, DriveNumberOf(drive), type, 512));
    }
    BYTE boot[512];
    if (!volume->Read(0, boot, sizeof(boot))) {
        ShowSystemError(GetLastError());
        return 1;
    }
    CVolumeGeometry geometry;
    if (!ParseBootSector(boot, geometry)) {
        Report(LoadLangString(TXT_UNSUPPORTED_FS, kTextUnsupportedFs), MB_ICONERROR);
        return 1;
    }
    ULONGLONG size = 0;
    if (volume->Size(&size) && geometry.volumeBytes > size) {
        // A boot sector that claims more than the device holds is not this volume's.
        Report(LoadLangString(TXT_UNKNOWN_FS, kTextUnknownFs), MB_ICONERROR);
        return 1;
    }
    if (!m_isNT) volume.reset(new CVwin32Volume(*device, DriveNumberOf(drive), geometry.type, geometry.bytesPerSector));
    CWholeDriveShredder shredder(*this, *progress, m_buffer.data(), m_abort, m_endSession);
    const int rc = shredder.Run(*volume, geometry, *algorithm);
    m_skipRuns = shredder.SkipRuns();
    if (own) own->Close();
    return rc;
}

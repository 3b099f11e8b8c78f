// Drive roots of CShredderApp: the drive question, the whole-drive shred over
// the raw volume of this platform, and the Format dialog after it.
#include <shlobj.h>

#include <cctype>
#include <memory>

#include "LangPack.h"
#include "ShredderApp.h"
#include "ShredderKeys.h"
#include "ShredderResources.h"

using namespace Grindel;

namespace {
struct DriveOptionsState {
    CString fileSystem;
    bool freeSpaceOnly = true;
    bool formatAfter = false;
};

void EnableAfterChoice(HWND dialog, bool enable, const CString& fileSystem) {
    EnableWindow(GetDlgItem(dialog, IDC_DRIVE_AFTER_GROUP), enable);
    EnableWindow(GetDlgItem(dialog, IDC_DRIVE_FORMAT), enable);
    // An NTFS drive is always formatted after a whole-drive shred.
    EnableWindow(GetDlgItem(dialog, IDC_DRIVE_LEAVE), enable && fileSystem != "NTFS");
}

INT_PTR CALLBACK DriveOptionsProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetDlgItemLangText(dialog, IDC_DRIVE_WHOLE, TXT_DRIVE_WHOLE, kTextDriveWhole);
        SetDlgItemLangText(dialog, IDC_DRIVE_AFTER_GROUP, TXT_DRIVE_AFTER, kTextDriveAfter);
        SetDlgItemLangText(dialog, IDC_DRIVE_LEAVE, TXT_DRIVE_LEAVE, kTextDriveLeave);
        SetDlgItemLangText(dialog, IDC_DRIVE_FORMAT, TXT_DRIVE_FORMAT, kTextDriveFormat);
        CheckRadioButton(dialog, IDC_DRIVE_FREE_SPACE, IDC_DRIVE_WHOLE, IDC_DRIVE_FREE_SPACE);
        EnableAfterChoice(dialog, false, "");
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    DriveOptionsState* state = reinterpret_cast<DriveOptionsState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (LOWORD(wParam)) {
    case IDC_DRIVE_FREE_SPACE:
        state->freeSpaceOnly = true;
        EnableAfterChoice(dialog, false, state->fileSystem);
        return TRUE;
    case IDC_DRIVE_WHOLE:
        state->freeSpaceOnly = false;
        state->formatAfter = true;
        CheckRadioButton(dialog, IDC_DRIVE_LEAVE, IDC_DRIVE_FORMAT, IDC_DRIVE_FORMAT);
        EnableAfterChoice(dialog, true, state->fileSystem);
        return TRUE;
    case IDC_DRIVE_FORMAT:
        state->formatAfter = true;
        return TRUE;
    case IDC_DRIVE_LEAVE:
        state->formatAfter = false;
        return TRUE;
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
}  // namespace

bool CShredderApp::RunDriveOptionsDialog(const CString& root, const CString& fileSystem, bool* freeSpaceOnly,
                                         bool* formatAfter) {
    if (m_scheduled) {
        // No one is there to answer: nothing is shredded.
        Report(LoadLangStringWith(TXT_NOT_AVAILABLE, kTextNotAvailable, root), MB_ICONINFORMATION);
        return false;
    }
    DriveOptionsState state;
    state.fileSystem = fileSystem;
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DRIVE_OPTIONS), nullptr, DriveOptionsProc,
                        reinterpret_cast<LPARAM>(&state)) != IDOK)
        return false;
    *freeSpaceOnly = state.freeSpaceOnly;
    *formatAfter = state.formatAfter;
    return true;
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

namespace {
char LetterOfPath(const char* path) {
    return path && isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'
               ? char(toupper(static_cast<unsigned char>(path[0])))
               : 0;
}
}  // namespace

bool CShredderApp::IsRefusedDrive(const CString& drive) const {
    const char letter = LetterOfPath(drive);
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    return letter == 0 || letter == LetterOfPath(windows) || letter == LetterOfPath(m_appPath);
}

int CShredderApp::ShredWholeDrive(const CString& drive, const CString& fileSystem, int formatAfter) {
    if (IsRefusedDrive(drive)) {
        // Windows would stop under its own feet, and Grindel with it half-way.
        Report(LoadLangStringWith(TXT_DRIVE_REFUSED, kTextDriveRefused, drive), MB_ICONERROR);
        return 0;
    }
    if (Ask(LoadLangString(TXT_CONFIRM_DRIVE, kTextConfirmDrive), MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2, IDNO) !=
        IDYES)
        return 0;
    bool completed = false;
    const int rc = OverwriteDrive(drive, &completed);
    // A cancelled or failed shred leaves data on the drive the user may still want: no format.
    if (formatAfter == 1 && completed) FormatDrive(drive, fileSystem == "NTFS");
    return rc;
}

IRawVolume* CShredderApp::OpenNtVolume(const CString& drive) {
    std::unique_ptr<CNtVolume> volume(new CNtVolume);
    return volume->Open(drive, true) ? volume.release() : nullptr;
}

int CShredderApp::OverwriteDrive(const CString& drive, bool* completed) {
    *completed = false;
    const CAlgorithm* algorithm = JobAlgorithm();
    if (!algorithm) return 1;
    COwnProgress own(*m_engine);
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
        volume.reset(OpenNtVolume(drive));
        if (!volume) {
            Report(LoadLangStringWith(TXT_EXCLUSIVE, kTextExclusive, CNtVolume::DeviceName(drive)), MB_ICONERROR);
            return 0;
        }
        if (!volume->Lock()) {
            Report(LoadLangStringWith(TXT_VOLUME_LOCK, kTextVolumeLock, drive), MB_ICONERROR);
            return 0;
        }
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
    volume->Dismount();
    m_skipRuns = shredder.SkipRuns();
    own.Close();
    *completed = rc == 0 && !m_abort && !m_endSession;
    return rc;
}

// The drive-root shred: the Shred Drive Options question, then the
// free-space shred or the whole-drive shred over the raw volume of this
// platform, and the Format dialog after a whole-drive shred that ran to its
// end, or word of what was left.
#include "DriveShred.h"

#include <cctype>
#include <memory>

#include "FreeSpaceShred.h"
#include "LangPack.h"
#include "ShredderKeys.h"

using namespace Grindel;

CDriveShred::CDriveShred(CShredJob& job) : m_job(job) {}

IVwin32Device* CDriveShred::OpenVwin32Device() {
    std::unique_ptr<CVwin32Device> device(new CVwin32Device);
    return device->Open() ? device.release() : nullptr;
}

int CDriveShred::ShredRoot(const CString& root) {
    char label[261] = "", fileSystem[65] = "";
    GetVolumeInformationA(root, label, sizeof(label), nullptr, nullptr, nullptr, fileSystem, sizeof(fileSystem));
    const CString drive = root.Left(2);
    const int mode = m_job.Settings().optionD;
    if (mode == -1) {
        if (m_job.IsScheduled()) {
            // No one is there to answer: nothing is shredded.
            m_job.Host().Report(LoadLangStringWith(TXT_NOT_AVAILABLE, kTextNotAvailable, root), MB_ICONINFORMATION);
            return 1;
        }
        bool freeSpaceOnly = true, formatAfter = false;
        if (!m_job.Host().AskDriveOptions(root, fileSystem, &freeSpaceOnly, &formatAfter)) return 1;
        if (freeSpaceOnly) return CFreeSpaceShred(m_job).Run(root);
        return ShredWholeDrive(drive, fileSystem, formatAfter ? 1 : 0);
    }
    if (mode == 0) return CFreeSpaceShred(m_job).Run(root);
    // A drive mode this Grindel does not know: the drive is left, and the run says so.
    m_job.Host().Report(LoadLangStringWith(TXT_NOT_AVAILABLE, kTextNotAvailable, root), MB_ICONINFORMATION);
    return 0;
}

namespace {
char LetterOfPath(const char* path) {
    return path && isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'
               ? char(toupper(static_cast<unsigned char>(path[0])))
               : 0;
}
}  // namespace

bool CDriveShred::IsRefusedDrive(const CString& drive) const {
    const char letter = LetterOfPath(drive);
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    return letter == 0 || letter == LetterOfPath(windows) || letter == LetterOfPath(m_job.Machine().programFolder);
}

int CDriveShred::ShredWholeDrive(const CString& drive, const CString& fileSystem, int formatAfter) {
    if (IsRefusedDrive(drive)) {
        // Windows would stop under its own feet, and Grindel with it half-way.
        m_job.Host().Report(LoadLangStringWith(TXT_DRIVE_REFUSED, kTextDriveRefused, drive), MB_ICONERROR);
        return 0;
    }
    if (m_job.Host().Ask(LoadLangString(TXT_CONFIRM_DRIVE, kTextConfirmDrive), MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2,
                         IDNO) != IDYES)
        return 0;
    CDriveOutcome outcome;
    const int rc = OverwriteDrive(drive, &outcome);
    IShredHost& host = m_job.Host();
    if (!outcome.completed) {
        // A cancelled or failed shred leaves data on the drive the user may still want: no format.
        if (outcome.written) host.Report(LoadLangStringWith(TXT_DRIVE_PARTLY, kTextDrivePartly, drive), MB_ICONWARNING);
        return rc;
    }
    const bool formatted = formatAfter == 1 && host.FormatDrive(drive, fileSystem == "NTFS");
    // The shred keeps what NTFS needs to stay mountable, the names in its index
    // among them, for the format to remove; a FAT drive is left empty.
    const bool ntfs = outcome.type == FS_NTFS;
    if (!formatted && (formatAfter == 1 || ntfs)) {
        const CString text = ntfs ? LoadLangString(TXT_NOT_FORMATTED_NAMES, kTextNotFormattedNames)
                                  : LoadLangString(TXT_NOT_FORMATTED_EMPTY, kTextNotFormattedEmpty);
        const char* system = ntfs ? "NTFS" : outcome.type == FS_FAT32 ? "FAT32" : "FAT16";
        host.Report(FillMarkers(text, {{"%s", drive}, {"%t", system}}), MB_ICONWARNING);
    }
    return rc;
}

namespace {
// Notes whether anything was written: a shred that stops after that has changed the drive.
class CWatchedVolume : public IRawVolume {
public:
    explicit CWatchedVolume(IRawVolume& volume) : m_volume(volume) {}
    bool Read(ULONGLONG offset, BYTE* buffer, DWORD length) override { return m_volume.Read(offset, buffer, length); }
    bool Write(ULONGLONG offset, const BYTE* buffer, DWORD length) override {
        m_written = true;
        return m_volume.Write(offset, buffer, length);
    }
    bool Size(ULONGLONG* size) override { return m_volume.Size(size); }
    bool Lock() override { return m_volume.Lock(); }
    void Dismount() override { m_volume.Dismount(); }
    bool Written() const { return m_written; }

private:
    IRawVolume& m_volume;
    bool m_written = false;
};
}  // namespace

IRawVolume* CDriveShred::OpenNtVolume(const CString& drive) {
    std::unique_ptr<CNtVolume> volume(new CNtVolume);
    return volume->Open(drive, true) ? volume.release() : nullptr;
}

int CDriveShred::OverwriteDrive(const CString& drive, CDriveOutcome* outcome) {
    *outcome = CDriveOutcome();
    const CAlgorithm* algorithm = m_job.Algorithm();
    if (!algorithm) return 1;
    IShredHost& host = m_job.Host();
    const bool nt = m_job.Machine().isNT;
    COwnProgress own(m_job.Engine());
    IShredProgress* progress = m_job.OpenProgress(own);
    if (!progress) {
        return 1;
    }
    progress->SetCaption(LoadLangString(TXT_DRIVE_CAPTION, kTextDriveCaption) + " " + drive);
    progress->SetItemText("Drive " + drive);

    int type = FS_FAT16;
    const int known = GetFileSystemType(drive + "\\", &type);
    if (known != 0) {
        host.Report(known == 1 ? LoadLangString(TXT_UNSUPPORTED_FS, kTextUnsupportedFs)
                          : LoadLangString(TXT_UNKNOWN_FS, kTextUnknownFs),
               MB_ICONERROR);
        return 1;
    }
    std::unique_ptr<IVwin32Device> device;
    std::unique_ptr<IRawVolume> volume;
    if (nt) {
        volume.reset(OpenNtVolume(drive));
        if (!volume) {
            host.Report(LoadLangStringWith(TXT_EXCLUSIVE, kTextExclusive, CNtVolume::DeviceName(drive)), MB_ICONERROR);
            return 0;
        }
        if (!volume->Lock()) {
            host.Report(LoadLangStringWith(TXT_VOLUME_LOCK, kTextVolumeLock, drive), MB_ICONERROR);
            return 0;
        }
    } else {
        device.reset(OpenVwin32Device());
        if (!device) {
            host.Report(LoadLangStringWith(TXT_EXCLUSIVE, kTextExclusive, "\\\\.\\vwin32"), MB_ICONERROR);
            return 0;
        }
        volume.reset(new CVwin32Volume(*device, DriveNumberOf(drive), type, 512));
    }
    BYTE boot[512];
    if (!volume->Read(0, boot, sizeof(boot))) {
        host.ShowSystemError(GetLastError());
        return 1;
    }
    CVolumeGeometry geometry;
    if (!ParseBootSector(boot, geometry)) {
        host.Report(LoadLangString(TXT_UNSUPPORTED_FS, kTextUnsupportedFs), MB_ICONERROR);
        return 1;
    }
    ULONGLONG size = 0;
    if (volume->Size(&size) && geometry.volumeBytes > size) {
        // A boot sector that claims more than the device holds is not this volume's.
        host.Report(LoadLangString(TXT_UNKNOWN_FS, kTextUnknownFs), MB_ICONERROR);
        return 1;
    }
    if (!nt) volume.reset(new CVwin32Volume(*device, DriveNumberOf(drive), geometry.type, geometry.bytesPerSector));
    outcome->type = geometry.type;
    CWholeDriveShredder shredder(host, *progress, m_job.Buffer(), m_job.Abort(), m_job.EndSession());
    CWatchedVolume watched(*volume);
    const int rc = shredder.Run(watched, geometry, *algorithm);
    volume->Dismount();
    m_job.SkipRuns() = shredder.SkipRuns();
    own.Close();
    outcome->written = watched.Written();
    outcome->completed = rc == 0 && !m_job.Stopping();
    return rc;
}

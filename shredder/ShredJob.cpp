#include "ShredJob.h"

#include <shlobj.h>

#include "Handles.h"
#include "RecycleBin.h"
#include "LangPack.h"
#include "ShredderKeys.h"

using namespace Grindel;

namespace {
int Option(DWORD value) { return value <= 2 ? int(value) : 0; }

CString NormalFolder(const CString& path) {
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(path, sizeof(full), full, nullptr);
    CString result = n > 0 && n < sizeof(full) ? CString(full) : path;
    while (result.GetLength() > 3 && (result.Right(1) == "\\" || result.Right(1) == "/"))
        result = result.Left(result.GetLength() - 1);
    return result;
}
}  // namespace

bool CShredMachine::FindFixedDrives() {
    ZeroMemory(fixedRoots, sizeof(fixedRoots));
    ZeroMemory(ntfs, sizeof(ntfs));
    drives.clear();
    bool anyNtfs = false;
    const DWORD present = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(present & (1u << i))) continue;
        char root[4] = {char('A' + i), ':', '\\', 0};
        if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
        lstrcpyA(fixedRoots[i], root);
        char label[261] = "", fileSystem[65] = "";
        GetVolumeInformationA(root, label, sizeof(label), nullptr, nullptr, nullptr, fileSystem, sizeof(fileSystem));
        CDriveRecord drive;
        drive.letter = root[0];
        if (label[0])
            drive.displayText.Format("%s (%c:)", label, root[0]);
        else
            drive.displayText.Format("Local Disk (%c:)", root[0]);
        drive.fileSystem = fileSystem;
        ULONGLONG freeToCaller = 0, total = 0;
        if (QueryDiskSpace(root, &freeToCaller, &total, nullptr)) {
            drive.totalGB = float(double(total) / 1073741824.0);
            drive.freeGB = float(double(freeToCaller) / 1073741824.0);
        }
        drives.push_back(drive);
        if (lstrcmpiA(fileSystem, "NTFS") == 0) {
            ntfs[i] = 1;
            anyNtfs = true;
        }
    }
    return anyNtfs;
}

int CShredMachine::ReadUserSid() { return ReadCurrentUserSid(userSid); }

void CShredMachine::LoadProtectedFolders() {
    char path[MAX_PATH + 1];
    path[0] = 0;
    GetWindowsDirectoryA(path, MAX_PATH);
    windowsFolder = path;
    path[0] = 0;
    GetSystemDirectoryA(path, MAX_PATH);
    systemFolder = path;
    protectedFolders[0] = windowsFolder;
    protectedFolders[1] = systemFolder;
    const int folders[] = {CSIDL_FONTS, CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_DESKTOPDIRECTORY};
    for (int i = 0; i < 4; ++i) {
        protectedFolders[2 + i].Empty();
        LPITEMIDLIST list = nullptr;
        if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folders[i], &list)) && list) {
            path[0] = 0;
            if (SHGetPathFromIDListA(list, path)) protectedFolders[2 + i] = path;
            CoTaskMemFree(list);
        }
    }
    protectedFolders[6] = systemFolder + "\\IOSUBSYS";
    protectedFolders[7] = systemFolder + "\\VMM32";
}

bool CShredMachine::FindDiskSpaceFunctions(HMODULE kernel32) {
    m_getDiskFreeSpaceEx = reinterpret_cast<GetDiskFreeSpaceExProc>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "GetDiskFreeSpaceExA")));
    if (!m_getDiskFreeSpaceEx)
        m_getDiskFreeSpace =
            reinterpret_cast<GetDiskFreeSpaceProc>(reinterpret_cast<void*>(GetProcAddress(kernel32, "GetDiskFreeSpaceA")));
    return m_getDiskFreeSpaceEx || m_getDiskFreeSpace;
}

bool CShredMachine::QueryDiskSpace(const char* root, ULONGLONG* freeToCaller, ULONGLONG* total,
                                  ULONGLONG* totalFree) const {
    if (m_getDiskFreeSpaceEx) {
        ULARGE_INTEGER a, b, c;
        if (!m_getDiskFreeSpaceEx(root, &a, &b, &c)) return false;
        if (freeToCaller) *freeToCaller = a.QuadPart;
        if (total) *total = b.QuadPart;
        if (totalFree) *totalFree = c.QuadPart;
        return true;
    }
    if (m_getDiskFreeSpace) {
        DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
        if (!m_getDiskFreeSpace(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) return false;
        const ULONGLONG cluster = ULONGLONG(sectorsPerCluster) * bytesPerSector;
        if (freeToCaller) *freeToCaller = cluster * freeClusters;
        if (total) *total = cluster * clusters;
        if (totalFree) *totalFree = cluster * freeClusters;
        return true;
    }
    return false;
}

bool CShredMachine::IsProtectedFolder(const CString& path) const {
    const CString folder = NormalFolder(path);
    for (const CString& guarded : protectedFolders)
        if (!guarded.IsEmpty() && folder.CompareNoCase(NormalFolder(guarded)) == 0) return true;
    return false;
}

CShredJob::CShredJob(IShredHost& host, COverwriteEngine& engine, BYTE* buffer, volatile bool& abort,
                     volatile bool& endSession, const CShredMachine& machine, const CJobSettings& settings,
                     const CAlgorithmList& algorithms, const CShredderProfile& profile, const int& method)
    : m_host(host),
      m_engine(engine),
      m_buffer(buffer),
      m_abort(abort),
      m_endSession(endSession),
      m_machine(machine),
      m_settings(settings),
      m_algorithms(algorithms),
      m_profile(profile),
      m_method(method) {}

const CAlgorithm* CShredJob::Algorithm() const {
    const int index = m_settings.scheduled ? m_settings.optionO : int(m_profile.GetInt(kValueMethod, DWORD(m_method)));
    if (m_algorithms.IsValidIndex(index)) return &m_algorithms.GetAt(index);
    return m_algorithms.IsValidIndex(m_method) && !m_settings.scheduled ? &m_algorithms.GetAt(m_method) : nullptr;
}

bool CShredJob::IsQuickShred(const CAlgorithm* algorithm) const {
    return m_algorithms.GetSize() > 0 && algorithm == &m_algorithms.GetAt(0);
}

int CShredJob::FolderOption() const {
    return Option(m_settings.scheduled ? DWORD(m_settings.optionF) : m_profile.GetInt(kValueFolder, 0));
}

int CShredJob::RemoveOption() const {
    return Option(m_settings.scheduled ? DWORD(m_settings.optionR) : m_profile.GetInt(kValueRemove, 0));
}

IShredProgress* CShredJob::OpenProgress(COwnProgress& own) {
    IShredProgress* progress = m_engine.Progress();
    if (!progress) {
        own.Reset(m_host.CreateProgress());
        progress = own.get();
    }
    if (progress && progress->Open()) return progress;
    m_host.Report(LoadLangString(TXT_PROGRESS_DIALOG, kTextProgressDialog), MB_ICONERROR);
    return nullptr;
}

int CShredJob::AskOrSkip(const CString& question, UINT type, const CString& skipped) {
    if (!m_settings.scheduled) return m_host.Ask(question, type, IDNO);
    m_host.Report(skipped, MB_ICONINFORMATION);
    return IDNO;
}

void COwnProgress::Reset(IShredProgress* progress) {
    Close();
    m_progress.reset(progress);
    if (progress) m_engine.SetProgress(progress);
}

void COwnProgress::Close() {
    if (!m_progress) return;
    m_progress->Close();
    if (m_engine.Progress() == m_progress.get()) m_engine.SetProgress(nullptr);
    m_progress.reset();
}

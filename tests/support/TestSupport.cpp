#include "TestSupport.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <atomic>

#include "Files.h"
#include "RecycleBin.h"
#include "Registry.h"
#include "Seams.h"

namespace {
std::atomic<int> g_counter{0};

CString UniqueName(const char* prefix) {
    CString name;
    name.Format("%s%lu_%lu_%d", prefix, GetCurrentProcessId(), GetTickCount(), ++g_counter);
    return name;
}

void RemoveTree(const CString& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(JoinPath(folder, "*"), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            CString name(data.cFileName);
            if (name == "." || name == "..") continue;
            CString full = JoinPath(folder, name);
            SetFileAttributesA(full, FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder);
}
}  // namespace

CTempFolder::CTempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    m_path = JoinPath(base, UniqueName("qvt"));
    CreateDirectoryA(m_path, nullptr);
}

CTempFolder::~CTempFolder() { RemoveTree(m_path); }

CString CTempFolder::File(const char* name) const { return JoinPath(m_path, name); }

CString CTempFolder::Write(const char* name, const std::string& contents) const {
    CString full = File(name);
    CString folder = FolderOf(full);
    // Create intermediate folders one level at a time.
    for (int i = m_path.GetLength() + 1; i <= folder.GetLength(); ++i) {
        if (i == folder.GetLength() || folder[i] == '\\') CreateDirectoryA(folder.Left(i), nullptr);
    }
    WriteWholeFile(full, contents.data(), DWORD(contents.size()));
    return full;
}

CTestRegistryKey::CTestRegistryKey() {
    m_subKey = CString("Software\\QuorvaneTests\\") + UniqueName("k");
    CRegKey key;
    key.Create(HKEY_CURRENT_USER, m_subKey);
}

CTestRegistryKey::~CTestRegistryKey() { CRegKey::DeleteTree(HKEY_CURRENT_USER, m_subKey); }

CScriptedMessageBoxes::CScriptedMessageBoxes() {
    SetMessageBoxHook([this](HWND, const char* text, const char* caption, UINT type) {
        std::lock_guard<std::mutex> l(m_lock);
        m_boxes.push_back({text ? text : "", caption ? caption : "", type});
        if (m_answers.empty()) return IDOK;
        int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    });
}

CScriptedMessageBoxes::~CScriptedMessageBoxes() { SetMessageBoxHook(nullptr); }

namespace {
using UnixNameFn = char*(CDECL*)(LPCWSTR);

UnixNameFn UnixNameCall() {
    return reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

// Starts the host's tool on the Unix names of the paths, and waits until
// watched is there (present) or gone. Wine neither waits for a host program
// nor keeps its exit code. The line is wide: the host's names are UTF-8,
// which no ANSI code page carries whole.
bool RunHost(const char* tool, const std::vector<CRealPath>& paths, const CRealPath& watched, bool present) {
    const UnixNameFn unixName = UnixNameCall();
    if (!unixName) return false;
    std::wstring command = L"Z:\\bin\\" + RealPathFrom(tool);
    for (const CRealPath& path : paths) {
        char* name = unixName(path.c_str());
        if (!name) return false;
        wchar_t wide[MAX_PATH * 4];
        const int n = MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, MAX_PATH * 4);
        HeapFree(GetProcessHeap(), 0, name);
        if (n <= 0) return false;
        command += std::wstring(L" \"") + wide + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // Wine can hand back, for a host program, handle values that are no
    // process or thread of it: closing them would close whatever handles of
    // ours share those values (the current user's registry key among them).
    if (process.dwThreadId && GetThreadId(process.hThread) == process.dwThreadId) CloseHandle(process.hThread);
    if (process.dwProcessId && GetProcessId(process.hProcess) == process.dwProcessId) CloseHandle(process.hProcess);
    for (int i = 0; i < 100 && FindRealEntry(watched) != present; ++i) Sleep(50);
    return FindRealEntry(watched) == present;
}
}  // namespace

const char* const kNoHostSystem = "only Wine has a host system to make Unix links and pipes with";

bool HostRuns() { return UnixNameCall() != nullptr && GetFileAttributesA("Z:\\bin\\ln") != INVALID_FILE_ATTRIBUTES; }

bool HostLink(const char* tool, const CRealPath& link, const CRealPath& target) {
    if (target.empty()) return RunHost(tool, {link}, link, false);
    // A link shows once what it leads to is found through it.
    return RunHost(tool, {target, link}, link, true) && FindRealEntry(link);
}

bool HostLink(const char* tool, const CString& link, const CString& target) {
    return HostLink(tool, RealPathFrom(link), RealPathFrom(target));
}

bool HostMakePipe(const CRealPath& path) { return RunHost("mkfifo", {path}, path, true); }

std::string ReadRealFile(const CRealPath& path) {
    CHandle file(OpenRealFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              OPEN_EXISTING, 0));
    std::string bytes;
    char chunk[65536];
    DWORD n = 0;
    while (file.IsValid() && ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0) bytes.append(chunk, n);
    return bytes;
}

CRealPath EntrySpelt(const char* shown) {
    const CString path(shown);
    if (path.GetLength() < 3 || path[1] != ':') return CRealPath();
    // Each folder on the way may be spelt otherwise too.
    CRealPath real = RealPathFrom(path.Left(3));
    for (int start = 3; start < path.GetLength();) {
        int end = path.Find('\\', start);
        if (end < 0) end = path.GetLength();
        const CString part = path.Mid(start, end - start);
        std::vector<WIN32_FIND_DATAW> entries;
        ListRealFolder(real, entries);
        CRealPath next;
        for (const WIN32_FIND_DATAW& entry : entries)
            if (next.empty() && CodePageSpelling(entry.cFileName) == part) next = JoinRealPath(real, entry.cFileName);
        if (next.empty()) return CRealPath();
        real = next;
        start = end + 1;
    }
    return real;
}

std::string ReadFileText(const char* path) {
    CString contents;
    ReadWholeFile(path, contents);
    return contents.str();
}

CHandle HoldFile(const char* path, DWORD share) {
    return CHandle(CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
}

void ExpectSixteenPixelFlag(const CString& path) {
    HBITMAP bitmap = HBITMAP(LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    ASSERT_NE(bitmap, nullptr) << path.c_str();
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 16);
    DeleteObject(bitmap);
}

bool SendToBin(const CString& path) {
    std::string from = path.str() + std::string(1, '\0');
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    return SHFileOperationA(&op) == 0;
}

CTestTrash::CTestTrash() : m_files(DesktopTrashFolder()) {
    if (m_files.empty()) return;
    // The home's share folder down to the trash, made where the test command left none.
    for (size_t at = 0; (at = m_files.find(L'\\', at + 1)) != CRealPath::npos;)
        CreateDirectoryW(m_files.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(m_files.c_str(), nullptr);
    CreateDirectoryW(JoinRealPath(RealFolderOf(m_files), L"info").c_str(), nullptr);
    m_laid = FindRealEntry(m_files) && FindRealEntry(JoinRealPath(RealFolderOf(m_files), L"info"));
}

CTestTrash::~CTestTrash() {
    for (const CRealPath& name : m_added) {
        // The host's rm takes a link away as the link, which Wine's calls cannot.
        if (FindRealEntry(Entry(name)) && !HostLink("rm -rf", Entry(name))) RemoveDirectoryW(Entry(name).c_str());
        DeleteRealFile(Record(name));
    }
}

CRealPath CTestTrash::Record(const CRealPath& name) const {
    return JoinRealPath(JoinRealPath(RealFolderOf(m_files), L"info"), name + L".trashinfo");
}

void CTestTrash::AddRecord(const CRealPath& name) {
    const std::string record = "[Trash Info]\nPath=/tmp/" + ShownPath(name).str() + "\nDeletionDate=2026-01-01T00:00:00\n";
    CHandle file(OpenRealFile(Record(name), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    WriteAllBytes(file, record.data(), DWORD(record.size()));
    m_added.push_back(name);
}

CRealPath CTestTrash::Track(const CRealPath& name, bool recorded) {
    if (recorded) AddRecord(name);
    m_added.push_back(name);
    return Entry(name);
}

CRealPath CTestTrash::AddFile(const CRealPath& name, const std::string& bytes, bool recorded) {
    {
        CHandle file(OpenRealFile(Entry(name), GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
        WriteAllBytes(file, bytes.data(), DWORD(bytes.size()));
    }
    return Track(name, recorded);
}

CRealPath CTestTrash::AddFolder(const CRealPath& name) {
    CreateDirectoryW(Entry(name).c_str(), nullptr);
    return Track(name, true);
}

CRealPath CTestTrash::AddLink(const CRealPath& name, const CRealPath& target) {
    const bool made = HostLink("ln -s", Entry(name), target);
    Track(name, true);
    return made ? Entry(name) : CRealPath();
}

CRealPath CTestTrash::AddPipe(const CRealPath& name) {
    const bool made = HostMakePipe(Entry(name));
    Track(name, true);
    return made ? Entry(name) : CRealPath();
}

CWindowsBinFolder::CWindowsBinFolder() : m_path("C:\\Recycler\\" + CurrentUserSidText()) {
    CreateDirectoryA("C:\\Recycler", nullptr);
    CreateDirectoryA(m_path, nullptr);
}

CWindowsBinFolder::~CWindowsBinFolder() { RemoveTree("C:\\Recycler"); }

CString CWindowsBinFolder::Write(const char* name, const std::string& bytes) const {
    const CString path = JoinPath(m_path, name);
    WriteFlushedFile(path, bytes.data(), DWORD(bytes.size()));
    return path;
}

CBinWithLinks::CBinWithLinks(const CTempFolder& folder) {
    targetBytes.assign(70000, 0);
    for (size_t i = 0; i < targetBytes.size(); ++i) targetBytes[i] = char(i * 11 + 5);
    target = folder.Write("outside\\keep.bin", targetBytes);
    folderTargetFile = folder.Write("outside\\dir\\inner.txt", "inner");
    folderTarget = FolderOf(folderTargetFile);
    const CString plainFile = folder.Write("binned\\plain-bin-file.txt", std::string(70000, 'p'));
    if (!m_trash.Laid()) return;
    // The shell trashes what a link leads to, not the link: the links are put
    // in the trash as the desktop puts them there, with a record each.
    fileLink = ShownPath(m_trash.AddLink(L"file-link-in-bin", RealPathFrom(target)));
    folderLink = ShownPath(m_trash.AddLink(L"folder-link-in-bin", RealPathFrom(folderTarget)));
    plain = ShownPath(m_trash.Entry(RealPathFrom(FileNameOf(plainFile))));
    m_made = !fileLink.IsEmpty() && !folderLink.IsEmpty() && SendToBin(plainFile) && FileExists(plain) &&
             ReadFileText(target) == targetBytes;
    m_trash.Track(RealPathFrom(FileNameOf(plainFile)));
}

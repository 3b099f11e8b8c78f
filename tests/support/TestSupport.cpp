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

bool HostLink(const char* tool, const CString& link, const CString& target) {
    using UnixNameFn = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    CString command = CString("Z:\\bin\\") + tool;
    for (const CString& path : {target, link}) {
        WCHAR wide[MAX_PATH];
        if (path.IsEmpty()) continue;
        char* name = unixName && MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) ? unixName(wide) : nullptr;
        if (!name) return false;
        command += CString(" \"") + name + "\"";
        HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::string line = command.str();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // Wine neither waits for a host program nor keeps its exit code.
    const bool made = !target.IsEmpty();
    const auto present = [&link] { return FileExists(link) || FolderExists(link); };
    for (int i = 0; i < 100 && present() != made; ++i) Sleep(50);
    return present() == made;
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

CBinWithLinks::CBinWithLinks(const CTempFolder& folder) {
    targetBytes.assign(70000, 0);
    for (size_t i = 0; i < targetBytes.size(); ++i) targetBytes[i] = char(i * 11 + 5);
    target = folder.Write("outside\\keep.bin", targetBytes);
    folderTargetFile = folder.Write("outside\\dir\\inner.txt", "inner");
    folderTarget = FolderOf(folderTargetFile);
    const CString plainFile = folder.Write("binned\\plain-bin-file.txt", std::string(70000, 'p'));
    m_trash = DesktopTrashFolder();
    if (m_trash.IsEmpty()) return;
    fileLink = JoinPath(m_trash, "file-link-in-bin");
    folderLink = JoinPath(m_trash, "folder-link-in-bin");
    plain = JoinPath(m_trash, FileNameOf(plainFile));
    // The shell trashes what a link leads to, not the link: the links are put
    // in the trash as the desktop puts them there, with a record each.
    const CString info = JoinPath(FolderOf(m_trash), "info");
    CreateDirectoryA(info, nullptr);
    for (const CString& link : {fileLink, folderLink}) {
        const std::string record = "[Trash Info]\nPath=/tmp/" + FileNameOf(link).str() +
                                   "\nDeletionDate=2026-01-01T00:00:00\n";
        WriteFlushedFile(JoinPath(info, FileNameOf(link) + ".trashinfo"), record.data(), DWORD(record.size()));
    }
    m_made = HostLink("ln -s", fileLink, target) && HostLink("ln -s", folderLink, folderTarget) &&
             SendToBin(plainFile) && FileExists(plain) && ReadFileText(target) == targetBytes;
}

CBinWithLinks::~CBinWithLinks() {
    if (m_trash.IsEmpty()) return;
    for (const CString& entry : {fileLink, folderLink}) HostLink("rm -f", entry);
    DeleteFileA(plain);
    for (const CString& entry : {fileLink, folderLink, plain})
        DeleteFileA(JoinPath(FolderOf(m_trash), "info\\" + FileNameOf(entry) + ".trashinfo"));
}

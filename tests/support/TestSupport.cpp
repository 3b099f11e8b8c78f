#include "TestSupport.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <atomic>

#include "Files.h"
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

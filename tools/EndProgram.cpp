// Asks a program running in the prefix to end the way its own Exit or close
// does, by posting the message that its window takes for that, and waits for
// it to end (the run script's end of a run; a user's end of a program whose
// run was killed):
//   EndProgram PROGRAM_FILE CLASS MESSAGE WPARAM WAIT_MS [STARTED] [/force]
// PROGRAM_FILE is the program's path in the prefix; CLASS the class of its
// unowned top-level window that takes the message (MESSAGE and WPARAM are
// numbers, 0x... for hexadecimal). STARTED, milliseconds since 1970 (UTC),
// picks among several processes of the program the one made nearest to it
// (the run's own); without it, every one is asked. With /force a program
// still running after WAIT_MS is terminated.
// Exit code: 0 it ended; 2 it does not run; 3 it has no such window, so it was
// not asked; 4 it still runs after WAIT_MS; 5 it was terminated.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct CTarget {
    DWORD id = 0;
    HANDLE process = nullptr;
    long long created = 0;  // milliseconds since 1970
    std::vector<HWND> windows;
};

long long MillisecondsSince1970(const FILETIME& time) {
    ULARGE_INTEGER t;
    t.LowPart = time.dwLowDateTime;
    t.HighPart = time.dwHighDateTime;
    return (long long)((t.QuadPart - 116444736000000000ULL) / 10000);
}

// The processes whose program file is path: compared whole where the
// process's own path can be read, else by file name.
std::vector<CTarget> FindProcesses(const char* path) {
    std::vector<CTarget> found;
    const char* name = strrchr(path, '\\');
    name = name ? name + 1 : path;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, name) != 0) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE | PROCESS_TERMINATE,
                                     FALSE, entry.th32ProcessID);
        if (!process) continue;
        char image[MAX_PATH];
        if (GetModuleFileNameExA(process, nullptr, image, sizeof image) && lstrcmpiA(image, path) != 0) {
            CloseHandle(process);
            continue;
        }
        CTarget target;
        target.id = entry.th32ProcessID;
        target.process = process;
        FILETIME created, exited, kernel, user;
        if (GetProcessTimes(process, &created, &exited, &kernel, &user)) target.created = MillisecondsSince1970(created);
        found.push_back(target);
    }
    CloseHandle(snapshot);
    return found;
}

struct CWindowSearch {
    std::vector<CTarget>* targets;
    const char* windowClass;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    CWindowSearch& search = *reinterpret_cast<CWindowSearch*>(param);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    char name[256];
    if (GetWindow(window, GW_OWNER) || !GetClassNameA(window, name, sizeof name) ||
        lstrcmpiA(name, search.windowClass) != 0)
        return TRUE;
    for (CTarget& target : *search.targets)
        if (target.id == id) target.windows.push_back(window);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    bool force = false;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        if (lstrcmpiA(argv[i], "/force") == 0) force = true;
        else args.push_back(argv[i]);
    }
    if (args.size() < 5 || args.size() > 6) {
        fprintf(stderr, "usage: EndProgram PROGRAM_FILE CLASS MESSAGE WPARAM WAIT_MS [STARTED] [/force]\n");
        return 1;
    }
    const UINT message = UINT(strtoul(args[2], nullptr, 0));
    const WPARAM wParam = WPARAM(strtoul(args[3], nullptr, 0));
    const DWORD waitMs = DWORD(strtoul(args[4], nullptr, 0));
    std::vector<CTarget> targets = FindProcesses(args[0]);
    if (targets.empty()) return 2;
    if (args.size() == 6 && targets.size() > 1) {
        const long long started = _atoi64(args[5]);
        size_t nearest = 0;
        for (size_t i = 1; i < targets.size(); ++i)
            if (llabs(targets[i].created - started) < llabs(targets[nearest].created - started)) nearest = i;
        for (size_t i = 0; i < targets.size(); ++i)
            if (i != nearest) CloseHandle(targets[i].process);
        targets = {targets[nearest]};
    }
    CWindowSearch search = {&targets, args[1]};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    bool asked = false;
    for (const CTarget& target : targets)
        for (HWND window : target.windows) asked = PostMessageA(window, message, wParam, 0) || asked;
    std::vector<HANDLE> processes;
    for (const CTarget& target : targets) processes.push_back(target.process);
    // Without STARTED every process of the program was asked: all must end.
    const DWORD began = GetTickCount();
    bool ended = true;
    for (HANDLE process : processes) {
        const DWORD spent = GetTickCount() - began;
        if (WaitForSingleObject(process, asked && spent < waitMs ? waitMs - spent : 0) != WAIT_OBJECT_0) ended = false;
    }
    int result = ended ? 0 : asked ? 4 : 3;
    if (!ended && force) {
        for (HANDLE process : processes)
            if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) TerminateProcess(process, 1);
        result = 5;
    }
    for (HANDLE process : processes) CloseHandle(process);
    return result;
}

// Named Blokkum.exe: notes its start in started.txt beside itself and ends.
// Named iexplore.exe (arguments: a "loaded" and a "quit" event name): loads
// Blokkjack.dll from its own folder, reports, and unloads it on "quit".
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self);
    std::string folder = path.substr(0, path.rfind('\\') + 1);
    std::string name = path.substr(folder.size());
    CharLowerA(&name[0]);

    if (name == "blokkum.exe") {
        HANDLE file = CreateFileA((folder + "started.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, "started\r\n", 9, &written, nullptr);
        CloseHandle(file);
        return 0;
    }
    if (argc < 3) return 2;
    // A desktop of its own: the helper looks for Blokkum's window by caption,
    // and windows of tests running beside this one must not answer.
    HDESK desktop = CreateDesktopA("QvBlokkjackTest", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop) SetThreadDesktop(desktop);
    HANDLE loaded = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE quit = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (!loaded || !quit) return 3;
    HMODULE helper = LoadLibraryA((folder + "Blokkjack.dll").c_str());
    SetEvent(loaded);
    WaitForSingleObject(quit, 30000);
    if (helper) FreeLibrary(helper);
    return helper ? 0 : 1;
}

// Runs Grindel's whole-drive shred on one drive, as a user who picks
// "whole drive" (and so the format after it) in the drive question and
// answers every box with Yes/OK, the system's Format dialog included;
// with "cancel", a free-space shred that the user cancels while it prepares.
//   DriveShredTool.exe X: WORKFOLDER [cancel]
// Prints every box it answered and the number of kept NTFS runs; exit code 0
// unless start-up failed (the check reads the image for the result).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "Registry.h"
#include "Seams.h"
#include "ShredderApp.h"

namespace {
class CCancellingProgress : public CSilentProgress {
public:
    explicit CCancellingProgress(volatile bool& abort) : m_abort(abort) {}
    void Pump() override {
        if (++m_pumps == 1) m_abort = true;
        CSilentProgress::Pump();
    }

private:
    volatile bool& m_abort;
    int m_pumps = 0;
};

class CWholeDriveApp : public CShredderApp {
public:
    using CShredderApp::CShredderApp;
    bool cancelFreeSpace = false;

protected:
    bool AskDriveOptions(const CString&, const CString&, bool* freeSpaceOnly, bool* formatAfter) override {
        *freeSpaceOnly = cancelFreeSpace;
        // As the dialog offers it once the whole drive is chosen.
        *formatAfter = true;
        return true;
    }
    IShredProgress* CreateProgress() override {
        return cancelFreeSpace ? new CCancellingProgress(AbortFlag()) : new CSilentProgress;
    }
};
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    SetMessageBoxHook([](HWND, const char* text, const char*, UINT type) {
        printf("box: %s\n", text);
        fflush(stdout);
        const UINT buttons = type & MB_TYPEMASK;
        return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
    });
    CString key;
    key.Format("Software\\QuorvaneTests\\DriveTool%lu", GetCurrentProcessId());
    CShredderEnvironment environment;
    environment.productKey = key;
    environment.classesRoot = HKEY_CURRENT_USER;
    environment.classesPrefix = key + "\\Classes\\";
    environment.programFolder = argv[2];
    int rc = 0;
    {
        CWholeDriveApp app(environment);
        app.cancelFreeSpace = argc > 3 && lstrcmpA(argv[3], "cancel") == 0;
        CString item;
        item.Format("\"%s\\\"", argv[1]);
        if (!app.InitInstance(item)) rc = 3;
        app.ExitInstance();
        printf("skip runs: %u\n", unsigned(app.NtfsSkipRuns().size()));
    }
    CRegKey::DeleteTree(HKEY_CURRENT_USER, key);
    return rc;
}

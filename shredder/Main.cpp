// Grindel's entry: the application object runs the whole program from its
// initialisation; the command line comes without the program name, and
// wide, so that every item keeps its real name.
#include <windows.h>

#include "CommandLine.h"
#include "ShredderApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    CShredderApp app;
    if (!app.InitInstance(ProgramArguments(cmdLine))) return app.ExitCode();
    return app.ExitInstance();
}

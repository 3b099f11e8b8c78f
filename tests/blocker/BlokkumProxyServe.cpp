// Runs Blokkum's proxy as Blokkum does, from a program folder with QVINI.ini
// and QVBlk.js, so that a browser outside Wine can use it:
//   BlokkumProxyServe PORTFILE STOPFILE SECONDS blokkum PROGRAMFOLDER
// (the arguments of the engine checks' start_engine). A free loopback port
// goes into QVINI.ini and PORTFILE; it serves until STOPFILE exists or
// SECONDS pass.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "BlokkumProxy.h"
#include "BlokkumShared.h"
#include "EngineTestSupport.h"
#include "Files.h"

int main(int argc, char** argv) {
    if (argc < 6) {
        fprintf(stderr, "usage: BlokkumProxyServe PORTFILE STOPFILE SECONDS blokkum PROGRAMFOLDER\n");
        return 2;
    }
    CBlokkumLocations where;
    where.iniFolder = argv[5];
    CString port;
    port.Format("%d", ClosedLoopbackPort());
    WritePrivateProfileStringA(BLOKKUM_LANGUAGE_SECTION, "PopupPort", port, JoinPath(where.iniFolder, BLOKKUM_INI_FILE));
    CBlokkumSettings settings(where);
    CBlokkumProxy proxy;
    proxy.ReloadEngineSettings(settings);
    if (!proxy.Start()) {
        fprintf(stderr, "the proxy did not start\n");
        return 1;
    }
    port += "\n";
    if (!WriteWholeFile(argv[1], port)) return 1;
    DWORD limit = DWORD(atoi(argv[3])) * 1000;
    for (DWORD began = GetTickCount(); GetTickCount() - began < limit && !FileExists(argv[2]);) Sleep(100);
    return 0;
}

// Runs the engine on an ephemeral loopback port so that Linux-side clients
// (curl, a browser) can use it while it runs under Wine.
//   ProxyEngineServe PORTFILE STOPFILE SECONDS [blokkum] [SCRIPTFILE]
// writes the port to PORTFILE, serves until STOPFILE exists or SECONDS pass.
// With SCRIPTFILE, that file's text is put in front of pages (pop-up catching on).
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "EngineSettings.h"
#include "Files.h"
#include "ProxyListener.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: ProxyEngineServe PORTFILE STOPFILE SECONDS [blokkum] [SCRIPTFILE]\n");
        return 2;
    }
    g_Engine = (argc > 4 && strcmp(argv[4], "blokkum") == 0) ? BlokkumEngineSettings() : VeilrunEngineSettings();
    g_Engine.ListenPort = 0;
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    CString script;
    if (argc > 5) {
        if (!ReadWholeFile(argv[5], script)) {
            fprintf(stderr, "cannot read %s\n", argv[5]);
            return 2;
        }
        g_Engine.PopupCatching = 1;
        g_Engine.PopupScript = [script] { return script; };
    }
    CProxyListener listener;
    if (!listener.Start()) {
        fprintf(stderr, "the engine did not start\n");
        return 1;
    }
    char port[16];
    sprintf(port, "%d\n", listener.GetPort());
    if (!WriteWholeFile(argv[1], port, DWORD(strlen(port)))) return 1;
    DWORD limit = DWORD(atoi(argv[3])) * 1000;
    for (DWORD began = GetTickCount(); GetTickCount() - began < limit && !FileExists(argv[2]);) Sleep(100);
    listener.Stop();
    return 0;
}

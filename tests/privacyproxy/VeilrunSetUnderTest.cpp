// Veilrun's start as far as the browsers go, then an end with no shut-down,
// as a killed Veilrun ends: arguments are the profile folder and the keys
// (Internet Explorer's advanced options and settings, the proxy record) in
// place of the machine's own. Exit code 9 once all three are set.
#include <windows.h>

#include "BrowserProxy.h"
#include "VeilrunGlobals.h"

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    g_Places.ProfileFolder = argv[1];
    g_Places.IEAdvancedKey = argv[2];
    g_Places.IESettingsKey = argv[3];
    g_Places.ProxyRecordKey = argv[4];
    EnableOperaProxy("127.0.0.1", 8100);
    EnableNetscapeProxy("127.0.0.1", 8100);
    EnableIEProxy("127.0.0.1", 8100);
    TerminateProcess(GetCurrentProcess(), 9);
    return 9;
}

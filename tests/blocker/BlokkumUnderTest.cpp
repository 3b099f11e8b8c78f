// Blokkum.exe as the tests start it: the same application object, with the
// registry key, program folder and Windows folder named by the environment
// (QVTEST_BLOKKUM_KEY under HKCU, QVTEST_BLOKKUM_FOLDER, QVTEST_WINDOWS_FOLDER),
// so a run changes nothing of the machine's own Blokkum, HOSTS file or Run key.
#include <cstdlib>

#include "PopupBlockerApp.h"

namespace {
CString Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

CBlokkumEnvironment TestEnvironment() {
    CBlokkumEnvironment env;
    const CString key = Variable("QVTEST_BLOKKUM_KEY");
    env.where.key = key;
    env.where.runKey = key + "\\Run";
    env.where.operaKey = key + "\\Opera Software";
    env.where.mozillaKey = key + "\\Mozilla";
    env.where.iniFolder = Variable("QVTEST_BLOKKUM_FOLDER");
    env.system.windowsFolder = Variable("QVTEST_WINDOWS_FOLDER");
    env.system.internetSettingsKey = key + "\\Internet Settings";
    env.system.appPathsRoot = HKEY_CURRENT_USER;
    env.system.appPathsKey = key + "\\App Paths";
    env.zonesKey = key + "\\Zones";
    return env;
}
}  // namespace

CPopupBlockerApp theApp(TestEnvironment());

// The DLL around the browser helper: the count at process attach and
// detach, and the exports named in Blokkjack.def.
#include <windows.h>

#include "BrowserHelper.h"
#include "Files.h"
#include "HelperObject.h"

namespace {
CString HostPath() { return GetModuleFilePath(nullptr); }
bool g_processCounted = false;
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        Blokkjack::SetHelperModulePath(GetModuleFilePath(instance));
        if (!Blokkjack::OnProcessAttach(HostPath(), g_processCounted)) return FALSE;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        Blokkjack::OnProcessDetach(HostPath(), g_processCounted);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return Blokkjack::Module().CanUnloadNow(); }

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    return ServeClassObject<CRirodoVeriZazFactory>(clsid, Blokkjack::kClsid, riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<const char*>(&DllRegisterServer), &module);
    return Blokkjack::RegisterHelper(GetModuleFilePath(module));
}

extern "C" int WINAPI RestoreIE() { return Blokkjack::RestoreIE(); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    RestoreIE();
    Blokkjack::DeleteRunValues(Blokkjack::RunValueRule::kWhereProgramIsGone);
    Blokkjack::UnregisterHelper();
    return 0;
}

// The uninstaller's entry points; their arguments are not used.
extern "C" LONG WINAPI UninstUnInitialize(HWND, HANDLE, LONG) { return 0; }

extern "C" LONG WINAPI UninstInitialize(HWND, HANDLE, LONG) {
    RestoreIE();
    Blokkjack::DeleteRunValues();
    DllUnregisterServer();
    return 0;
}

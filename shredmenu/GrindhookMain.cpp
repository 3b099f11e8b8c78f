// The DLL around the context-menu handler: the four COM exports (named in
// Grindhook.def). Grindel's settings are read when the menu is built.
#include <windows.h>

#include "Files.h"
#include "ShredMenu.h"
#include "ShredderKeys.h"

namespace {
HMODULE g_module = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return Grindhook::Module().CanUnloadNow(); }

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    return ServeClassObject<CShredContextMenuFactory>(clsid, Grindhook::kClsid, riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return Grindhook::RegisterServer(GetModuleFilePath(g_module));
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return Grindhook::UnregisterServer(); }

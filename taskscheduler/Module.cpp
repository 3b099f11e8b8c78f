// The exports of Tasklatch.dll: class object, unload test and registration.
#include "Schedule.h"

namespace {
const ComClassRegistration ScheduleRegistration = {&CLSID_Schedule, ScheduleProgId, "Apartment", &LIBID_TaskScheduler};
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        ComSetModule(instance);
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return ComGetClassObject(clsid, CLSID_Schedule, &CSchedule::Create, iid, out);
}

STDAPI DllCanUnloadNow() {
    if (!ComCanUnloadModule()) return S_FALSE;
    ComReleaseTypeLib();
    return S_OK;
}

STDAPI DllRegisterServer() {
    HRESULT hr = ComRegisterClass(ScheduleRegistration);
    if (SUCCEEDED(hr)) hr = ComRegisterTypeLib();
    return hr;
}

STDAPI DllUnregisterServer() {
    HRESULT hr = ComUnregisterTypeLib(LIBID_TaskScheduler, 1, 0, 0x409);
    HRESULT hr2 = ComUnregisterClass(ScheduleRegistration);
    return FAILED(hr) ? hr : hr2;
}

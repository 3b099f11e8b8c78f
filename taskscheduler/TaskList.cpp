// TaskList.exe - a small automation client of Tasklatch: it creates
// "TaskScheduler.Schedule" by its ProgID, as any client does, and prints the
// name of every task in the task folder, one a line.
#include <windows.h>
#include <ole2.h>

#include <cstdio>

#include "DispatchCall.h"

namespace {
int Fail(const char* what, HRESULT hr, const std::wstring& description = std::wstring()) {
    std::fprintf(stderr, "TaskList: %s failed (0x%08lX) %ls\n", what, static_cast<unsigned long>(hr),
                 description.c_str());
    return 1;
}

HRESULT Outcome(const DispatchOutcome& o) { return o.hr == DISP_E_EXCEPTION ? o.scode : o.hr; }

int ListTasks(IDispatch* schedule) {
    DispatchOutcome o = DispatchMethod(schedule, DispatchIdOf(schedule, L"Refresh"));
    if (FAILED(o.hr)) return Fail("Refresh", Outcome(o), o.description);
    CVariant count;
    o = DispatchGet(schedule, DispatchIdOf(schedule, L"Count"), count);
    if (FAILED(o.hr)) return Fail("Count", Outcome(o), o.description);
    for (long i = 1; i <= count.Long(); ++i) {
        CVariant job, name;
        o = DispatchGet(schedule, DISPID_VALUE, job, {short(i)});
        if (FAILED(o.hr)) return Fail("Job", Outcome(o), o.description);
        CInterfacePtr<IDispatch> object = job.Object();
        o = DispatchGet(object.Get(), DispatchIdOf(object.Get(), L"Name"), name);
        if (FAILED(o.hr)) return Fail("Name", Outcome(o), o.description);
        std::printf("%s\n", AnsiFromWide(name.Text().c_str()).c_str());
    }
    return 0;
}
}  // namespace

int main() {
    if (FAILED(CoInitialize(nullptr))) return 1;
    int rc;
    {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid);
        CInterfacePtr<IDispatch> schedule;
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(schedule.Out()));
        rc = FAILED(hr) ? Fail("Creating TaskScheduler.Schedule (is Tasklatch.dll registered?)", hr)
                        : ListTasks(schedule.Get());
    }
    CoUninitialize();
    return rc;
}

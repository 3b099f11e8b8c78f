// TaskList.exe - a small automation client of Tasklatch: it creates
// "TaskScheduler.Schedule" by its ProgID, as any client does, and
//   TaskList                              prints the name of every task, one a line
//                                          (or that there is none);
//   TaskList /weekly NAME YYYY-MM-DD HH:MM gives task NAME a weekly trigger on
//                                          that date's weekday from that date on,
//                                          and prints the task's next run time.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <cwchar>

#include "DispatchCall.h"

namespace {
const char kUsage[] = "usage: TaskList [/weekly NAME YYYY-MM-DD HH:MM]\n";

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
    if (count.Long() == 0) std::printf("There are no scheduled tasks.\n");
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
CInterfacePtr<IDispatch> Member(IDispatch* object, const wchar_t* name, std::initializer_list<CVariant> args,
                                DispatchOutcome& o) {
    CVariant result;
    o = DispatchGet(object, DispatchIdOf(object, name), result, args);
    return result.Object();
}

int AddWeeklyTrigger(IDispatch* schedule, const wchar_t* taskName, const wchar_t* day, const wchar_t* time) {
    SYSTEMTIME when = {};
    if (std::swscanf(day, L"%hu-%hu-%hu", &when.wYear, &when.wMonth, &when.wDay) != 3 ||
        std::swscanf(time, L"%hu:%hu", &when.wHour, &when.wMinute) != 2) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    DATE date = 0, clock = 0;
    SYSTEMTIME dayOnly = when, timeOnly = {1899, 12, 0, 30, when.wHour, when.wMinute, 0, 0};
    dayOnly.wHour = dayOnly.wMinute = 0;
    if (!SystemTimeToVariantTime(&dayOnly, &date) || !SystemTimeToVariantTime(&timeOnly, &clock) ||
        !VariantTimeToSystemTime(date, &dayOnly)) {
        std::fprintf(stderr, "TaskList: %ls %ls is not a date and time\n", day, time);
        return 2;
    }
    DispatchOutcome o = DispatchMethod(schedule, DispatchIdOf(schedule, L"Refresh"));
    if (FAILED(o.hr)) return Fail("Refresh", Outcome(o), o.description);
    CVariant count;
    DispatchGet(schedule, DispatchIdOf(schedule, L"Count"), count);
    CInterfacePtr<IDispatch> job;
    for (long i = 1; i <= count.Long() && !job; ++i) {
        CInterfacePtr<IDispatch> candidate = Member(schedule, L"Job", {short(i)}, o);
        CVariant name;
        DispatchGet(candidate.Get(), DispatchIdOf(candidate.Get(), L"Name"), name);
        if (lstrcmpiW(name.Text().c_str(), taskName) == 0) job = candidate;
    }
    if (!job) {
        std::fprintf(stderr, "TaskList: there is no task named %ls\n", taskName);
        return 1;
    }
    CInterfacePtr<IDispatch> triggers = Member(job.Get(), L"Triggers", {}, o);
    if (FAILED(o.hr)) return Fail("Triggers", Outcome(o), o.description);
    CVariant added;
    o = DispatchMethod(triggers.Get(), DispatchIdOf(triggers.Get(), L"Add"), {}, &added);
    if (FAILED(o.hr)) return Fail("Triggers.Add", Outcome(o), o.description);
    IDispatch* trigger = added.Object().Get();
    const long weekly = 2;
    struct Setting {
        const wchar_t* name;
        CVariant value;
    } settings[] = {
        {L"TriggerType", CVariant(weekly)},
        {L"WeeksInterval", CVariant(short(1))},
        {L"DaysOfTheWeek", CVariant(long(1) << dayOnly.wDayOfWeek)},
        {L"BeginDay", CVariant::Date(date)},
        {L"StartTime", CVariant::Date(clock)},
    };
    for (const Setting& s : settings) {
        o = DispatchPut(trigger, DispatchIdOf(trigger, s.name), s.value);
        if (FAILED(o.hr)) return Fail("Setting the trigger", Outcome(o), o.description);
    }
    o = DispatchMethod(job.Get(), DispatchIdOf(job.Get(), L"Save"));
    if (FAILED(o.hr)) return Fail("Save", Outcome(o), o.description);
    CVariant next;
    o = DispatchGet(job.Get(), DispatchIdOf(job.Get(), L"NextRunTime"), next);
    if (FAILED(o.hr)) return Fail("NextRunTime", Outcome(o), o.description);
    SYSTEMTIME shown = {};
    VariantTimeToSystemTime(next.Double(), &shown);
    std::printf("%s: next run %04u-%02u-%02u %02u:%02u\n", AnsiFromWide(taskName).c_str(), shown.wYear, shown.wMonth,
                shown.wDay, shown.wHour, shown.wMinute);
    return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool weekly = argc == 5 && lstrcmpiW(argv[1], L"/weekly") == 0;
    if (!weekly && argc != 1) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    int rc;
    {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid);
        CInterfacePtr<IDispatch> schedule;
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(schedule.Out()));
        if (FAILED(hr)) rc = Fail("Creating TaskScheduler.Schedule (is Tasklatch.dll registered?)", hr);
        else if (weekly) rc = AddWeeklyTrigger(schedule.Get(), argv[2], argv[3], argv[4]);
        else rc = ListTasks(schedule.Get());
    }
    CoUninitialize();
    return rc;
}

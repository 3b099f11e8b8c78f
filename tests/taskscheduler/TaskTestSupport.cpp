#include "TaskTestSupport.h"

#include "Files.h"
#include "Handles.h"

namespace {
// Registers the library once for the whole run and keeps COM initialised.
class CTasklatchEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_EQ(RunRegsvr32("/s \"" + TasklatchDllPath() + "\""), 0u);
    }
    void TearDown() override { CoUninitialize(); }
};

const ::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new CTasklatchEnvironment);
}  // namespace

std::string TasklatchDllPath() {
    CString relative = GetModuleFolder() + "\\..\\..\\products\\Tasklatch\\Tasklatch.dll";
    char full[MAX_PATH] = {};
    GetFullPathNameA(relative, MAX_PATH, full, nullptr);
    return full;
}

DWORD RunRegsvr32(const std::string& arguments) {
    std::string command = "regsvr32.exe " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return DWORD(-1);
    CHandle process(pi.hProcess), thread(pi.hThread);
    if (WaitForSingleObject(process, 60000) != WAIT_OBJECT_0) return DWORD(-2);
    DWORD code = DWORD(-3);
    GetExitCodeProcess(process, &code);
    return code;
}

CInterfacePtr<IDispatch> NewSchedule() {
    CInterfacePtr<IDispatch> schedule;
    CLSID clsid;
    if (SUCCEEDED(CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid)))
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(schedule.Out()));
    return schedule;
}

CInterfacePtr<ITaskScheduler> PlatformScheduler() {
    CInterfacePtr<ITaskScheduler> scheduler;
    CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                     reinterpret_cast<void**>(scheduler.Out()));
    return scheduler;
}

CInterfacePtr<ITask> ActivateTask(const std::wstring& name) {
    CInterfacePtr<ITask> task;
    CInterfacePtr<ITaskScheduler> scheduler = PlatformScheduler();
    if (scheduler) scheduler->Activate(name.c_str(), IID_ITask, reinterpret_cast<IUnknown**>(task.Out()));
    return task;
}

std::wstring UniqueTaskName(const wchar_t* prefix) {
    // Wine reuses process ids, and a run that was cut short leaves its tasks.
    static const DWORD run = GetTickCount();
    static int counter = 0;
    wchar_t text[64];
    wsprintfW(text, L"%s %lu-%lu-%d", prefix, GetCurrentProcessId(), run, ++counter);
    return text;
}

std::string TaskFilePath(const std::wstring& name) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\Tasks\\" + AnsiFromWide(name.c_str()) + ".job";
}

std::vector<std::wstring> JobNames(IDispatch* schedule) {
    std::vector<std::wstring> names;
    CVariant count;
    DispatchGet(schedule, Dispid::ScheduleCount, count);
    for (long i = 1; i <= count.Long(); ++i) {
        CVariant job, name;
        DispatchGet(schedule, Dispid::Job, job, {short(i)});
        DispatchGet(job.Object().Get(), Dispid::Name, name);
        names.push_back(name.Text());
    }
    return names;
}

long IndexOfJob(IDispatch* schedule, const std::wstring& name) {
    std::vector<std::wstring> names = JobNames(schedule);
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return long(i + 1);
    return 0;
}

CInterfacePtr<IDispatch> JobNamed(IDispatch* schedule, const std::wstring& name) {
    long index = IndexOfJob(schedule, name);
    CVariant job;
    if (index > 0) DispatchGet(schedule, Dispid::Job, job, {short(index)});
    return job.Object();
}

CTaskCleanup::~CTaskCleanup() {
    CInterfacePtr<ITaskScheduler> scheduler = PlatformScheduler();
    for (const std::wstring& name : m_names) {
        if (scheduler) RetryWhileShared([&] { return scheduler->Delete(name.c_str()); });
        DeleteFileA(TaskFilePath(name).c_str());
    }
}

std::string Narrow(const std::wstring& text) { return AnsiFromWide(text.c_str()); }

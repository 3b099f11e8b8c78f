// Job properties against Wine's task files, cross-checked through ITask, and
// the members Wine does not implement through a scripted work item.
#include "TaskTestSupport.h"

#include "Files.h"
#include "Job.h"

namespace {
std::wstring TaskText(ITask* task, HRESULT (STDMETHODCALLTYPE ITask::*getter)(LPWSTR*)) {
    LPWSTR text = nullptr;
    if (FAILED((task->*getter)(&text)) || !text) return L"<failed>";
    std::wstring result(text);
    CoTaskMemFree(text);
    return result;
}
}  // namespace

TEST(Job, PropertiesRoundTripThroughSaveAndRefresh) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const std::wstring name = cleanup.Add(UniqueTaskName(L"QvJob"));
    CVariant created;
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::CreateTask, {name.c_str()}, &created));
    CInterfacePtr<IDispatch> job = created.Object();
    ASSERT_TRUE(job);

    // The file name is there at once, the name only after a Refresh.
    CVariant fileName, jobName;
    ASSERT_OK(DispatchGet(job.Get(), Dispid::FileName, fileName));
    EXPECT_EQ(lstrcmpiA(Narrow(fileName.Text()).c_str(), TaskFilePath(name).c_str()), 0) << Narrow(fileName.Text());
    ASSERT_OK(DispatchGet(job.Get(), Dispid::Name, jobName));
    EXPECT_EQ(jobName.Text(), L"");

    struct TextProperty {
        DISPID id;
        const wchar_t* value;
        HRESULT (STDMETHODCALLTYPE ITask::*getter)(LPWSTR*);
    };
    const TextProperty texts[] = {
        {Dispid::ApplicationName, L"C:\\windows\\system32\\cmd.exe", &ITask::GetApplicationName},
        {Dispid::CommandLine, L"/c exit", &ITask::GetParameters},
        {Dispid::Comment, L"A harmless test task", &ITask::GetComment},
        {Dispid::Creator, L"Quorvane Tests", &ITask::GetCreator},
        {Dispid::WorkingDirectory, L"C:\\windows", &ITask::GetWorkingDirectory},
    };
    for (const TextProperty& p : texts) EXPECT_OK(DispatchPut(job.Get(), p.id, CVariant(p.value)));
    const long flags = tfDisabled | tfDontStartIfOnBatteries;
    EXPECT_OK(DispatchPut(job.Get(), Dispid::JobFlags, CVariant(flags)));
    EXPECT_OK(DispatchPut(job.Get(), Dispid::MaxRunTime, CVariant(120000L)));
    ASSERT_OK(DispatchMethod(job.Get(), Dispid::Save));  // the argument left out

    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    CInterfacePtr<IDispatch> reread = JobNamed(schedule.Get(), name);
    ASSERT_TRUE(reread);
    CInterfacePtr<ITask> task = ActivateTask(name);
    ASSERT_TRUE(task);
    for (const TextProperty& p : texts) {
        CVariant value;
        ASSERT_OK(DispatchGet(reread.Get(), p.id, value));
        EXPECT_EQ(value.Text(), p.value);
        EXPECT_EQ(TaskText(task.Get(), p.getter), p.value);
    }
    CVariant value;
    ASSERT_OK(DispatchGet(reread.Get(), Dispid::JobFlags, value));
    EXPECT_EQ(value.Long(), flags);
    DWORD taskFlags = 0;
    task->GetFlags(&taskFlags);
    EXPECT_EQ(long(taskFlags), flags);
    ASSERT_OK(DispatchGet(reread.Get(), Dispid::MaxRunTime, value));
    EXPECT_EQ(value.Long(), 120000);
    DWORD maxRun = 0;
    task->GetMaxRunTime(&maxRun);
    EXPECT_EQ(maxRun, 120000u);

    // Read-only members agree with the work item.
    ASSERT_OK(DispatchGet(reread.Get(), Dispid::Status, value));
    HRESULT status = 0;
    task->GetStatus(&status);
    EXPECT_EQ(value.Long(), long(status));
    WORD idle = 0, deadline = 0;
    task->GetIdleWait(&idle, &deadline);
    ASSERT_OK(DispatchGet(reread.Get(), Dispid::IdleWait, value));
    EXPECT_EQ(value.Long(), long(idle));
    ASSERT_OK(DispatchGet(reread.Get(), Dispid::Name, value));
    EXPECT_EQ(value.Text(), name);

    // A task that never ran and has no trigger has no times and no exit code.
    for (DISPID id : {Dispid::LastRunTime, Dispid::NextRunTime}) {
        ASSERT_OK(DispatchGet(reread.Get(), id, value));
        EXPECT_EQ(value.Type(), VT_DATE);
        EXPECT_EQ(value.Double(), 0.0);
    }
    ASSERT_OK(DispatchGet(reread.Get(), Dispid::ExitCode, value));
    EXPECT_EQ(value.Long(), 0);
}

TEST(Job, SaveWithEmptyNameAndToAnotherFile) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const std::wstring name = cleanup.Add(UniqueTaskName(L"QvSave"));
    CVariant created;
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::CreateTask, {name.c_str()}, &created));
    CInterfacePtr<IDispatch> job = created.Object();
    ASSERT_OK(DispatchPut(job.Get(), Dispid::Comment, CVariant(L"saved with an empty name")));
    ASSERT_OK(DispatchMethod(job.Get(), Dispid::Save, {L""}));
    CInterfacePtr<ITask> task = ActivateTask(name);
    ASSERT_TRUE(task);
    EXPECT_EQ(TaskText(task.Get(), &ITask::GetComment), L"saved with an empty name");

    const std::wstring copy = cleanup.Add(UniqueTaskName(L"QvCopy"));
    const std::wstring copyPath = WideFromAnsi(TaskFilePath(copy).c_str());
    ASSERT_OK(DispatchMethod(job.Get(), Dispid::Save, {copyPath.c_str()}));
    EXPECT_TRUE(FileExists(TaskFilePath(copy).c_str()));
}

TEST(Job, MembersWineLacksRaiseTheirErrorThroughExcepInfo) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const std::wstring name = cleanup.Add(UniqueTaskName(L"QvStub"));
    CVariant created, unused;
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::CreateTask, {name.c_str()}, &created));
    IDispatch* job = created.Object().Get();
    ASSERT_TRUE(job);
    for (DISPID id : {Dispid::ShowProperties, Dispid::Edit}) {
        CVariant nothing;
        V_VT(nothing.Out()) = VT_DISPATCH;
        V_DISPATCH(const_cast<VARIANT*>(&nothing.Get())) = nullptr;
        DispatchOutcome o = id == Dispid::Edit ? DispatchMethod(job, id, {nothing}) : DispatchMethod(job, id);
        EXPECT_EQ(o.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(o.scode, E_NOTIMPL);
        EXPECT_EQ(o.source, L"TaskScheduler.Job");
    }
    // Wine keeps no retry settings and no priority; the platform's refusal reaches the client.
    EXPECT_RAISED(DispatchPut(job, Dispid::ErrorRetryCount, CVariant(short(3))), E_NOTIMPL);
    EXPECT_RAISED(DispatchGet(job, Dispid::ErrorRetryInterval, unused), E_NOTIMPL);
    EXPECT_RAISED(DispatchPut(job, Dispid::Priority, CVariant(long(IDLE_PRIORITY_CLASS))), E_NOTIMPL);
}

namespace {
// A work item that keeps what it is given, for the members Wine stubs.
class CScriptedTask : public ITask {
public:
    WORD idle = 10, deadline = 60, retryCount = 0, retryInterval = 0;
    DWORD priority = NORMAL_PRIORITY_CLASS, exitCode = 0;
    HRESULT exitResult = S_OK, lastRunResult = S_OK, nextRunResult = S_OK;
    SYSTEMTIME lastRun = {}, nextRun = {};

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITask) || IsEqualIID(iid, IID_IScheduledWorkItem)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override { return --m_refs; }

    STDMETHODIMP GetTriggerCount(WORD* count) override { *count = 0; return S_OK; }
    STDMETHODIMP SetIdleWait(WORD i, WORD d) override { idle = i; deadline = d; return S_OK; }
    STDMETHODIMP GetIdleWait(WORD* i, WORD* d) override { *i = idle; *d = deadline; return S_OK; }
    STDMETHODIMP SetErrorRetryCount(WORD n) override { retryCount = n; return S_OK; }
    STDMETHODIMP GetErrorRetryCount(WORD* n) override { *n = retryCount; return S_OK; }
    STDMETHODIMP SetErrorRetryInterval(WORD n) override { retryInterval = n; return S_OK; }
    STDMETHODIMP GetErrorRetryInterval(WORD* n) override { *n = retryInterval; return S_OK; }
    STDMETHODIMP SetPriority(DWORD p) override { priority = p; return S_OK; }
    STDMETHODIMP GetPriority(DWORD* p) override { *p = priority; return S_OK; }
    STDMETHODIMP GetExitCode(DWORD* code) override { *code = exitCode; return exitResult; }
    STDMETHODIMP GetMostRecentRunTime(SYSTEMTIME* t) override { *t = lastRun; return lastRunResult; }
    STDMETHODIMP GetNextRunTime(SYSTEMTIME* t) override { *t = nextRun; return nextRunResult; }

    STDMETHODIMP CreateTrigger(WORD*, ITaskTrigger**) override { return E_NOTIMPL; }
    STDMETHODIMP DeleteTrigger(WORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetTrigger(WORD, ITaskTrigger**) override { return E_NOTIMPL; }
    STDMETHODIMP GetTriggerString(WORD, LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetRunTimes(const LPSYSTEMTIME, const LPSYSTEMTIME, WORD*, LPSYSTEMTIME*) override { return E_NOTIMPL; }
    STDMETHODIMP Run() override { return E_NOTIMPL; }
    STDMETHODIMP Terminate() override { return E_NOTIMPL; }
    STDMETHODIMP EditWorkItem(HWND, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetStatus(HRESULT*) override { return E_NOTIMPL; }
    STDMETHODIMP SetComment(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetComment(LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetCreator(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetCreator(LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetWorkItemData(WORD, BYTE[]) override { return E_NOTIMPL; }
    STDMETHODIMP GetWorkItemData(WORD*, BYTE**) override { return E_NOTIMPL; }
    STDMETHODIMP SetFlags(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetFlags(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetAccountInformation(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetAccountInformation(LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetApplicationName(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetApplicationName(LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetParameters(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetParameters(LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetWorkingDirectory(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP GetWorkingDirectory(LPWSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetTaskFlags(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetTaskFlags(DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP SetMaxRunTime(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetMaxRunTime(DWORD*) override { return E_NOTIMPL; }

private:
    ULONG m_refs = 1;
};

CInterfacePtr<CJob> AttachedJob(CScriptedTask& task) {
    CInterfacePtr<CJob> job = CInterfacePtr<CJob>::Adopt(new CJob);
    EXPECT_EQ(job->Attach(&task), S_OK);
    return job;
}
}  // namespace

TEST(JobOverScriptedTask, IdleWaitKeepsTheDeadlineAndIntegersRoundTrip) {
    CScriptedTask task;
    CInterfacePtr<CJob> job = AttachedJob(task);
    IDispatch* d = job.Get();
    EXPECT_OK(DispatchPut(d, Dispid::IdleWait, CVariant(short(25))));
    EXPECT_EQ(task.idle, 25);
    EXPECT_EQ(task.deadline, 60);
    CVariant value;
    ASSERT_OK(DispatchGet(d, Dispid::IdleWait, value));
    EXPECT_EQ(value.Long(), 25);

    struct IntegerProperty {
        DISPID id;
        long value;
    };
    for (const IntegerProperty& p : {IntegerProperty{Dispid::ErrorRetryCount, 4},
                                     IntegerProperty{Dispid::ErrorRetryInterval, 15},
                                     IntegerProperty{Dispid::Priority, HIGH_PRIORITY_CLASS}}) {
        EXPECT_OK(DispatchPut(d, p.id, CVariant(p.value)));
        ASSERT_OK(DispatchGet(d, p.id, value));
        EXPECT_EQ(value.Long(), p.value);
    }
    EXPECT_EQ(task.retryCount, 4);
    EXPECT_EQ(task.retryInterval, 15);
    EXPECT_EQ(task.priority, DWORD(HIGH_PRIORITY_CLASS));
}

TEST(JobOverScriptedTask, RunTimesAndExitCodeWithoutAPlatformValueAreZero) {
    CScriptedTask task;
    task.lastRunResult = SCHED_S_TASK_HAS_NOT_RUN;
    task.nextRunResult = SCHED_S_EVENT_TRIGGER;
    memset(&task.lastRun, 0x55, sizeof(task.lastRun));  // undefined on that status
    task.exitResult = SCHED_S_TASK_HAS_NOT_RUN;
    task.exitCode = 0x55555555;
    CInterfacePtr<CJob> job = AttachedJob(task);
    CVariant value;
    for (DISPID id : {Dispid::LastRunTime, Dispid::NextRunTime, Dispid::ExitCode}) {
        ASSERT_OK(DispatchGet(job.Get(), id, value));
        EXPECT_EQ(value.Double(), 0.0);
    }

    // A zero time with S_OK is no time either; a real one converts.
    task.lastRunResult = S_OK;
    task.lastRun = SYSTEMTIME{};
    ASSERT_OK(DispatchGet(job.Get(), Dispid::LastRunTime, value));
    EXPECT_EQ(value.Double(), 0.0);
    task.nextRunResult = S_OK;
    task.nextRun = SYSTEMTIME{2031, 3, 0, 14, 6, 30, 0, 0};
    ASSERT_OK(DispatchGet(job.Get(), Dispid::NextRunTime, value));
    SYSTEMTIME back = {};
    ASSERT_TRUE(VariantTimeToSystemTime(value.Double(), &back));
    EXPECT_EQ(back.wYear, 2031);
    EXPECT_EQ(back.wMonth, 3);
    EXPECT_EQ(back.wDay, 14);
    EXPECT_EQ(back.wHour, 6);
    EXPECT_EQ(back.wMinute, 30);
}

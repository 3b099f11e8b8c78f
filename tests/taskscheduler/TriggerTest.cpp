// Triggers and Trigger against Wine's task files, cross-checked through
// ITaskTrigger, and the union members' type test on a scripted trigger.
#include "TaskTestSupport.h"

#include <algorithm>

#include "Files.h"
#include "Handles.h"
#include "Trigger.h"

namespace {
namespace TriggerId {
const DISPID Add = 0x60030002, Remove = 0x60030003, Count = 0x68030001, Item = 0, Update = 0x60030004;
const DISPID DaysInterval = 0x6803000E, Day = 0x6803000D, Months = 0x6803000C, DaysOfTheWeek = 0x6803000B,
             Week = 0x6803000A, WeeksInterval = 0x68030009, Refresh = 0x60030010, TriggerUpdate = 0x60030011,
             Text = 0x68030008, TriggerType = 0x68030007, Duration = 0x68030006, Interval = 0x68030005,
             Flags = 0x68030004, BeginDay = 0x68030003, EndDay = 0x68030002, RandomInterval = 0x68030001,
             StartTime = 0x68030000;
}  // namespace TriggerId

const HRESULT InvalidTriggerType = 0x80040001;

DATE DateOf(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0) {
    SYSTEMTIME t = {year, month, 0, day, hour, minute, 0, 0};
    DATE d = 0;
    SystemTimeToVariantTime(&t, &d);
    return d;
}

// A task with a far-future schedule, so Wine's scheduler never runs it.
struct CTriggerTask {
    CTaskCleanup cleanup;
    std::wstring name;
    CInterfacePtr<IDispatch> schedule, job, triggers;

    explicit CTriggerTask(const wchar_t* prefix) : name(cleanup.Add(UniqueTaskName(prefix))), schedule(NewSchedule()) {
        CVariant created, t;
        DispatchMethod(schedule.Get(), Dispid::CreateTask, {name.c_str()}, &created);
        job = created.Object();
        DispatchPut(job.Get(), Dispid::ApplicationName, CVariant(L"cmd.exe"));
        DispatchPut(job.Get(), Dispid::CommandLine, CVariant(L"/c exit"));
        DispatchGet(job.Get(), Dispid::Triggers, t);
        triggers = t.Object();
    }
    // A new trigger of that type, beginning in 2031.
    CInterfacePtr<IDispatch> Add(long type, WORD startHour = 3) {
        CVariant added;
        DispatchMethod(triggers.Get(), TriggerId::Add, {}, &added);
        CInterfacePtr<IDispatch> trigger = added.Object();
        DispatchPut(trigger.Get(), TriggerId::TriggerType, CVariant(type));
        DispatchPut(trigger.Get(), TriggerId::BeginDay, CVariant::Date(DateOf(2031, 3, 14)));
        DispatchPut(trigger.Get(), TriggerId::StartTime, CVariant::Date(DateOf(1899, 12, 30, startHour, 45)));
        return trigger;
    }
    // Saves, then reads the job back through a fresh Refresh.
    void SaveAndReload() {
        ASSERT_OK(DispatchMethod(job.Get(), Dispid::Save));
        Reload();
    }
    // Reads the job back from its file, dropping what was not saved.
    void Reload() {
        ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
        job = JobNamed(schedule.Get(), name);
        ASSERT_TRUE(job);
        CVariant t;
        DispatchGet(job.Get(), Dispid::Triggers, t);
        triggers = t.Object();
    }
    CInterfacePtr<IDispatch> Item(long index) {
        CVariant item;
        DispatchGet(triggers.Get(), TriggerId::Item, item, {CVariant(index)});
        return item.Object();
    }
    TASK_TRIGGER Platform(WORD index) {
        TASK_TRIGGER record = {};
        record.cbTriggerSize = sizeof(record);
        CInterfacePtr<ITask> task = ActivateTask(name);
        CInterfacePtr<ITaskTrigger> trigger;
        if (task && SUCCEEDED(task->GetTrigger(index, trigger.Out()))) trigger->GetTrigger(&record);
        return record;
    }
    WORD PlatformCount() {
        WORD count = 0;
        CInterfacePtr<ITask> task = ActivateTask(name);
        if (task) task->GetTriggerCount(&count);
        return count;
    }
};

long Get(IDispatch* object, DISPID id) {
    CVariant v;
    DispatchGet(object, id, v);
    return v.Long();
}

// Wine writes the union's third word, which a weekly trigger does not use, with whatever its memory held.
bool SameWeeklyTrigger(TASK_TRIGGER a, TASK_TRIGGER b) {
    a.Type.MonthlyDOW.rgfMonths = b.Type.MonthlyDOW.rgfMonths = 0;
    return memcmp(&a, &b, sizeof a) == 0;
}

double GetDate(IDispatch* object, DISPID id) {
    CVariant v;
    DispatchGet(object, id, v);
    return v.Double();
}
}  // namespace

TEST(Trigger, WeeklyTriggerRoundTripsThroughSaveAndRefresh) {
    CTriggerTask t(L"QvWeekly");
    ASSERT_TRUE(t.triggers);
    CInterfacePtr<IDispatch> weekly = t.Add(ttWeekly);
    EXPECT_OK(DispatchPut(weekly.Get(), TriggerId::WeeksInterval, CVariant(short(2))));
    EXPECT_OK(DispatchPut(weekly.Get(), TriggerId::DaysOfTheWeek, CVariant(long(tdMonday | tdFriday))));
    EXPECT_OK(DispatchPut(weekly.Get(), TriggerId::EndDay, CVariant::Date(DateOf(2032, 1, 31))));
    EXPECT_OK(DispatchPut(weekly.Get(), TriggerId::Flags, CVariant(long(tfHasEndDate))));
    EXPECT_OK(DispatchPut(weekly.Get(), TriggerId::Duration, CVariant(120L)));
    EXPECT_OK(DispatchPut(weekly.Get(), TriggerId::Interval, CVariant(30L)));
    CVariant unused;
    DispatchOutcome o = DispatchGet(weekly.Get(), TriggerId::Day, unused);
    EXPECT_EQ(o.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(o.scode, InvalidTriggerType);
    EXPECT_EQ(o.description, L"Invalid trigger type");
    EXPECT_EQ(o.source, L"TaskScheduler.Trigger");
    // Nothing reaches the task file before Save.
    EXPECT_NE(t.Platform(0).TriggerType, TASK_TIME_TRIGGER_WEEKLY);

    t.SaveAndReload();
    EXPECT_EQ(Get(t.triggers.Get(), TriggerId::Count), 1);
    CInterfacePtr<IDispatch> back = t.Item(1);
    ASSERT_TRUE(back);
    EXPECT_EQ(Get(back.Get(), TriggerId::TriggerType), ttWeekly);
    EXPECT_EQ(Get(back.Get(), TriggerId::WeeksInterval), 2);
    EXPECT_EQ(Get(back.Get(), TriggerId::DaysOfTheWeek), 0x22);
    EXPECT_EQ(Get(back.Get(), TriggerId::Flags), tfHasEndDate);
    EXPECT_EQ(Get(back.Get(), TriggerId::Duration), 120);
    EXPECT_EQ(Get(back.Get(), TriggerId::Interval), 30);
    EXPECT_EQ(GetDate(back.Get(), TriggerId::BeginDay), DateOf(2031, 3, 14));
    EXPECT_EQ(GetDate(back.Get(), TriggerId::EndDay), DateOf(2032, 1, 31));
    EXPECT_DOUBLE_EQ(GetDate(back.Get(), TriggerId::StartTime), DateOf(1899, 12, 30, 3, 45));

    TASK_TRIGGER platform = t.Platform(0);
    EXPECT_EQ(platform.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(platform.Type.Weekly.WeeksInterval, 2);
    EXPECT_EQ(platform.Type.Weekly.rgfDaysOfTheWeek, 0x22);
    EXPECT_EQ(platform.wBeginYear, 2031);
    EXPECT_EQ(platform.wBeginMonth, 3);
    EXPECT_EQ(platform.wBeginDay, 14);
    EXPECT_EQ(platform.wEndYear, 2032);
    EXPECT_EQ(platform.wStartHour, 3);
    EXPECT_EQ(platform.wStartMinute, 45);

    // Refresh drops a change that was not written back.
    EXPECT_OK(DispatchPut(back.Get(), TriggerId::WeeksInterval, CVariant(short(5))));
    ASSERT_OK(DispatchMethod(back.Get(), TriggerId::Refresh));
    EXPECT_EQ(Get(back.Get(), TriggerId::WeeksInterval), 2);

    // Wine has no trigger texts; the platform's error reaches the client.
    EXPECT_RAISED(DispatchGet(back.Get(), TriggerId::Text, unused), E_NOTIMPL);
}

TEST(Trigger, MonthlyDayOfWeekMembersAreSeparateFields) {
    CTriggerTask t(L"QvMonthlyDow");
    CInterfacePtr<IDispatch> monthly = t.Add(ttMonthlyWeekDay);
    EXPECT_OK(DispatchPut(monthly.Get(), TriggerId::Week, CVariant(long(twLast))));
    EXPECT_OK(DispatchPut(monthly.Get(), TriggerId::DaysOfTheWeek, CVariant(long(tdSunday))));
    EXPECT_OK(DispatchPut(monthly.Get(), TriggerId::Months, CVariant(long(tmJanuary))));
    ASSERT_OK(DispatchMethod(monthly.Get(), TriggerId::TriggerUpdate));
    ASSERT_OK(DispatchMethod(t.job.Get(), Dispid::Save));
    TASK_TRIGGER platform = t.Platform(0);
    EXPECT_EQ(platform.TriggerType, TASK_TIME_TRIGGER_MONTHLYDOW);
    EXPECT_EQ(platform.Type.MonthlyDOW.wWhichWeek, TASK_LAST_WEEK);
    EXPECT_EQ(platform.Type.MonthlyDOW.rgfDaysOfTheWeek, TASK_SUNDAY);
    EXPECT_EQ(platform.Type.MonthlyDOW.rgfMonths, TASK_JANUARY);
    EXPECT_EQ(Get(monthly.Get(), TriggerId::Week), twLast);
    EXPECT_EQ(Get(monthly.Get(), TriggerId::DaysOfTheWeek), tdSunday);
    EXPECT_EQ(Get(monthly.Get(), TriggerId::Months), tmJanuary);
}

TEST(Trigger, DayKeepsTheDaysAboveSixteenThatAnotherProgramSet) {
    CTriggerTask t(L"QvMonthlyDate");
    {
        CInterfacePtr<ITask> task = ActivateTask(t.name);
        ASSERT_TRUE(task);
        // Wine gives a task saved without triggers a default one when it loads it.
        WORD index = 0;
        while (task->GetTriggerCount(&index) == S_OK && index > 0) ASSERT_EQ(task->DeleteTrigger(0), S_OK);
        CInterfacePtr<ITaskTrigger> trigger;
        ASSERT_EQ(task->CreateTrigger(&index, trigger.Out()), S_OK);
        ASSERT_EQ(index, 0);
        TASK_TRIGGER record = {};
        record.cbTriggerSize = sizeof(record);
        ASSERT_EQ(trigger->GetTrigger(&record), S_OK);
        record.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
        record.Type.MonthlyDate.rgfDays = (1u << 19) | (1u << 4);  // days 20 and 5
        record.Type.MonthlyDate.rgfMonths = TASK_MARCH;
        record.wBeginYear = 2031;
        record.wBeginMonth = 3;
        record.wBeginDay = 1;
        ASSERT_EQ(trigger->SetTrigger(&record), S_OK);
        CInterfacePtr<IPersistFile> file;
        ASSERT_EQ(task.As(IID_IPersistFile, file), S_OK);
        ASSERT_EQ(RetryWhileShared([&] { return file->Save(nullptr, FALSE); }), S_OK);
    }
    ASSERT_OK(DispatchMethod(t.schedule.Get(), Dispid::Refresh));
    t.job = JobNamed(t.schedule.Get(), t.name);
    ASSERT_TRUE(t.job);
    CVariant triggers;
    DispatchGet(t.job.Get(), Dispid::Triggers, triggers);
    t.triggers = triggers.Object();
    CInterfacePtr<IDispatch> monthly = t.Item(1);
    ASSERT_TRUE(monthly);
    EXPECT_EQ(Get(monthly.Get(), TriggerId::Day), 1 << 4);
    EXPECT_OK(DispatchPut(monthly.Get(), TriggerId::Day, CVariant(short(1))));
    ASSERT_OK(DispatchMethod(monthly.Get(), TriggerId::TriggerUpdate));
    ASSERT_OK(DispatchMethod(t.job.Get(), Dispid::Save));
    EXPECT_EQ(t.Platform(0).Type.MonthlyDate.rgfDays, (1u << 19) | 1u);
    EXPECT_EQ(Get(monthly.Get(), TriggerId::Day), 1);
}

TEST(Trigger, RemoveDeletesThatPlatformTriggerAndTheRestNameTheirOwn) {
    CTriggerTask t(L"QvRemove");
    t.Add(ttDaily, 1);
    t.Add(ttDaily, 2);
    t.Add(ttDaily, 3);
    t.SaveAndReload();
    ASSERT_EQ(t.PlatformCount(), 3);
    CInterfacePtr<IDispatch> heldThird = t.Item(3);

    EXPECT_RAISED(DispatchMethod(t.triggers.Get(), TriggerId::Remove, {short(4)}), 0x800A0009);
    EXPECT_EQ(Get(t.triggers.Get(), TriggerId::Count), 3);
    ASSERT_OK(DispatchMethod(t.triggers.Get(), TriggerId::Remove, {short(1)}));
    ASSERT_OK(DispatchMethod(t.job.Get(), Dispid::Save));
    EXPECT_EQ(t.PlatformCount(), 2);
    EXPECT_EQ(Get(t.triggers.Get(), TriggerId::Count), 2);
    EXPECT_EQ(t.Platform(0).wStartHour, 2);
    CInterfacePtr<IDispatch> first = t.Item(1);
    EXPECT_DOUBLE_EQ(GetDate(first.Get(), TriggerId::StartTime), DateOf(1899, 12, 30, 2, 45));
    CVariant enumerator;
    ASSERT_OK(DispatchGet(t.triggers.Get(), DISPID_NEWENUM, enumerator));
    CInterfacePtr<IEnumVARIANT> walk;
    ASSERT_EQ(V_UNKNOWN(&enumerator.Get())->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(walk.Out())),
              S_OK);
    std::vector<double> starts;
    CVariant item;
    while (walk->Next(1, item.Out(), nullptr) == S_OK) starts.push_back(GetDate(item.Object().Get(), TriggerId::StartTime));
    EXPECT_EQ(starts, (std::vector<double>{DateOf(1899, 12, 30, 2, 45), DateOf(1899, 12, 30, 3, 45)}));

    // An Update through the collection reaches the trigger it names.
    EXPECT_OK(DispatchPut(first.Get(), TriggerId::Interval, CVariant(15L)));
    EXPECT_OK(DispatchPut(first.Get(), TriggerId::Duration, CVariant(60L)));
    ASSERT_OK(DispatchMethod(first.Get(), TriggerId::TriggerUpdate));
    ASSERT_OK(DispatchMethod(t.job.Get(), Dispid::Save));
    EXPECT_EQ(t.Platform(0).MinutesInterval, 15u);
    EXPECT_EQ(t.Platform(1).MinutesInterval, 0u);
    EXPECT_EQ(t.Platform(1).wStartHour, 3);
    // A Trigger held from before the removal no longer acts on a neighbour.
    CVariant unused;
    EXPECT_EQ(DispatchMethod(heldThird.Get(), TriggerId::TriggerUpdate).hr, DISP_E_EXCEPTION);
    EXPECT_EQ(t.Platform(1).MinutesInterval, 0u);
}

// Each value the scheduler cannot hold is refused, alone at its put or, when
// only its pair makes it wrong, at Save, and the task file keeps its bytes;
// its valid neighbour is taken.
TEST(Trigger, ValuesTheSchedulerCannotHoldAreRefusedAndNothingIsWritten) {
    CTriggerTask t(L"QvRefused");
    CInterfacePtr<IDispatch> weekly = t.Add(ttWeekly);
    ASSERT_OK(DispatchPut(weekly.Get(), TriggerId::DaysOfTheWeek, CVariant(long(tdMonday))));
    t.SaveAndReload();
    const TASK_TRIGGER saved = t.Platform(0);
    ASSERT_EQ(saved.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    struct Put {
        DISPID id;
        CVariant value;
    };
    const DATE begin = DateOf(2031, 3, 14);
    const struct Row {
        const char* what;
        long type;
        std::vector<Put> bad;
        std::vector<Put> good;
        bool refusedAtSave;
    } rows[] = {
        {"type 99", ttWeekly, {{TriggerId::TriggerType, CVariant(99L)}}, {{TriggerId::TriggerType, CVariant(long(ttAtLogon))}}, false},
        {"type -1", ttWeekly, {{TriggerId::TriggerType, CVariant(-1L)}}, {{TriggerId::TriggerType, CVariant(long(ttOnce))}}, false},
        {"duration -5", ttWeekly, {{TriggerId::Duration, CVariant(-5L)}}, {{TriggerId::Duration, CVariant(0L)}}, false},
        {"interval -1", ttWeekly, {{TriggerId::Interval, CVariant(-1L)}}, {{TriggerId::Interval, CVariant(0L)}}, false},
        {"flags 0x80", ttWeekly, {{TriggerId::Flags, CVariant(0x80L)}}, {{TriggerId::Flags, CVariant(long(tfTriggerDisabled))}}, false},
        {"random -1", ttWeekly, {{TriggerId::RandomInterval, CVariant(short(-1))}}, {{TriggerId::RandomInterval, CVariant(short(0))}}, false},
        {"random 5, which no task file keeps", ttWeekly, {{TriggerId::RandomInterval, CVariant(short(5))}}, {}, false},
        {"no begin day", ttWeekly, {{TriggerId::BeginDay, CVariant::Date(0)}}, {{TriggerId::BeginDay, CVariant::Date(begin + 1)}}, false},
        {"end day in 1500", ttWeekly, {{TriggerId::EndDay, CVariant::Date(DateOf(1500, 1, 1))}}, {{TriggerId::EndDay, CVariant::Date(0)}}, false},
        {"weeks interval 0", ttWeekly, {{TriggerId::WeeksInterval, CVariant(short(0))}}, {{TriggerId::WeeksInterval, CVariant(short(2))}}, false},
        {"no weekday", ttWeekly, {{TriggerId::DaysOfTheWeek, CVariant(0L)}}, {{TriggerId::DaysOfTheWeek, CVariant(long(tdSunday))}}, false},
        {"weekday 0x80", ttWeekly, {{TriggerId::DaysOfTheWeek, CVariant(0x80L)}}, {{TriggerId::DaysOfTheWeek, CVariant(long(tdSaturday))}}, false},
        {"days interval -3", ttDaily, {{TriggerId::DaysInterval, CVariant(short(-3))}}, {{TriggerId::DaysInterval, CVariant(short(1))}}, false},
        {"week 6", ttMonthlyWeekDay, {{TriggerId::Week, CVariant(6L)}},
         {{TriggerId::Week, CVariant(long(twLast))}, {TriggerId::DaysOfTheWeek, CVariant(long(tdSunday))}, {TriggerId::Months, CVariant(long(tmJanuary))}}, false},
        {"month 0x1000", ttMonthlyDate, {{TriggerId::Months, CVariant(0x1000L)}},
         {{TriggerId::Months, CVariant(long(tmDecember))}, {TriggerId::Day, CVariant(short(1))}}, false},
        {"interval above duration", ttWeekly, {{TriggerId::Duration, CVariant(60L)}, {TriggerId::Interval, CVariant(120L)}},
         {{TriggerId::Interval, CVariant(59L)}}, true},
        {"end day before begin day", ttWeekly, {{TriggerId::EndDay, CVariant::Date(begin - 1)}},
         {{TriggerId::EndDay, CVariant::Date(begin)}}, true},
        {"end date flag without an end day", ttWeekly, {{TriggerId::Flags, CVariant(long(tfHasEndDate))}},
         {{TriggerId::EndDay, CVariant::Date(begin + 30)}}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CInterfacePtr<IDispatch> trigger = t.Item(1);
        ASSERT_TRUE(trigger);
        ASSERT_OK(DispatchPut(trigger.Get(), TriggerId::TriggerType, CVariant(row.type)));
        for (const Put& put : row.bad) {
            DispatchOutcome o = DispatchPut(trigger.Get(), put.id, put.value);
            if (row.refusedAtSave) {
                EXPECT_OK(o);
            } else {
                EXPECT_RAISED(o, E_INVALIDARG);
                EXPECT_FALSE(o.description.empty());
            }
        }
        // A type change alone makes a record the scheduler can hold only with the good values.
        if (row.type == ttWeekly) {
            DispatchOutcome save = DispatchMethod(t.job.Get(), Dispid::Save);
            if (row.refusedAtSave) EXPECT_RAISED(save, E_INVALIDARG);
            else EXPECT_OK(save);
        }
        EXPECT_TRUE(SameWeeklyTrigger(t.Platform(0), saved));
        for (const Put& put : row.good) EXPECT_OK(DispatchPut(trigger.Get(), put.id, put.value));
        EXPECT_OK(DispatchMethod(trigger.Get(), TriggerId::TriggerUpdate));
        t.Reload();
    }
}

TEST(Trigger, ClientGivesATaskAWeeklyTriggerThatTheSchedulerReports) {
    CTaskCleanup cleanup;
    const std::wstring name = cleanup.Add(UniqueTaskName(L"QvClient"));
    {
        CInterfacePtr<IDispatch> schedule = NewSchedule();
        CVariant job;
        ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::CreateTask, {name.c_str()}, &job));
        DispatchPut(job.Object().Get(), Dispid::ApplicationName, CVariant(L"cmd.exe"));
        DispatchPut(job.Object().Get(), Dispid::CommandLine, CVariant(L"/c exit"));
        ASSERT_OK(DispatchMethod(job.Object().Get(), Dispid::Save));
    }
    CString client = GetModuleFolder() + "\\..\\..\\products\\TaskList\\TaskList.exe";
    std::string command = "\"" + client.str() + "\" /weekly \"" + Narrow(name) + "\" 2031-03-14 04:20";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(process, &code);
    ASSERT_EQ(code, 0u);

    CInterfacePtr<ITask> task = ActivateTask(name);
    ASSERT_TRUE(task);
    SYSTEMTIME next = {};
    ASSERT_EQ(task->GetNextRunTime(&next), S_OK);
    EXPECT_EQ(next.wYear, 2031);
    EXPECT_EQ(next.wMonth, 3);
    EXPECT_EQ(next.wDay, 14);
    EXPECT_EQ(next.wHour, 4);
    EXPECT_EQ(next.wMinute, 20);
}

namespace {
// A platform trigger that hands out and keeps one record.
class CScriptedTrigger : public ITaskTrigger {
public:
    TASK_TRIGGER record = {};
    CScriptedTrigger() { record.cbTriggerSize = sizeof(record); }
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ITaskTrigger)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SetTrigger(const PTASK_TRIGGER t) override { record = *t; return S_OK; }
    STDMETHODIMP GetTrigger(PTASK_TRIGGER t) override { *t = record; return S_OK; }
    STDMETHODIMP GetTriggerString(LPWSTR*) override { return E_NOTIMPL; }
};
}  // namespace

TEST(TriggerUnion, EachMemberWorksOnItsTypesAndRaisesTheTypeErrorElsewhere) {
    struct Member {
        DISPID id;
        const char* name;
        std::vector<TASK_TRIGGER_TYPE> types;
    };
    const Member members[] = {
        {TriggerId::DaysInterval, "DaysInterval", {TASK_TIME_TRIGGER_DAILY}},
        {TriggerId::Day, "Day", {TASK_TIME_TRIGGER_MONTHLYDATE}},
        {TriggerId::Months, "Months", {TASK_TIME_TRIGGER_MONTHLYDATE, TASK_TIME_TRIGGER_MONTHLYDOW}},
        {TriggerId::DaysOfTheWeek, "DaysOfTheWeek", {TASK_TIME_TRIGGER_WEEKLY, TASK_TIME_TRIGGER_MONTHLYDOW}},
        {TriggerId::Week, "Week", {TASK_TIME_TRIGGER_MONTHLYDOW}},
        {TriggerId::WeeksInterval, "WeeksInterval", {TASK_TIME_TRIGGER_WEEKLY}},
    };
    for (int type = TASK_TIME_TRIGGER_ONCE; type <= TASK_EVENT_TRIGGER_AT_LOGON; ++type) {
        for (const Member& m : members) {
            CScriptedTrigger platform;
            platform.record.TriggerType = TASK_TRIGGER_TYPE(type);
            CInterfacePtr<CTrigger> trigger = CInterfacePtr<CTrigger>::Adopt(new CTrigger);
            ASSERT_EQ(trigger->Attach(&platform, nullptr, 0), S_OK);
            const TASK_TRIGGER before = trigger->Record();
            const bool allowed = std::find(m.types.begin(), m.types.end(), TASK_TRIGGER_TYPE(type)) != m.types.end();
            CVariant value;
            DispatchOutcome get = DispatchGet(trigger.Get(), m.id, value);
            DispatchOutcome put = DispatchPut(trigger.Get(), m.id, CVariant(short(3)));
            if (allowed) {
                EXPECT_EQ(get.hr, S_OK) << m.name << " on type " << type;
                EXPECT_EQ(put.hr, S_OK) << m.name << " on type " << type;
                EXPECT_EQ(Get(trigger.Get(), m.id), 3) << m.name << " on type " << type;
            } else {
                EXPECT_EQ(get.scode, InvalidTriggerType) << m.name << " on type " << type;
                EXPECT_EQ(put.scode, InvalidTriggerType) << m.name << " on type " << type;
                EXPECT_EQ(put.description, L"Invalid trigger type");
                EXPECT_EQ(memcmp(&before, &trigger->Record(), sizeof(before)), 0) << m.name << " on type " << type;
            }
        }
    }
}

TEST(TriggerDates, ZeroDatesReadAsZeroAndADateThatDoesNotConvertChangesNothing) {
    CScriptedTrigger platform;
    platform.record.TriggerType = TASK_TIME_TRIGGER_ONCE;
    platform.record.wBeginYear = 2031;
    platform.record.wBeginMonth = 3;
    platform.record.wBeginDay = 14;
    CInterfacePtr<CTrigger> trigger = CInterfacePtr<CTrigger>::Adopt(new CTrigger);
    ASSERT_EQ(trigger->Attach(&platform, nullptr, 0), S_OK);
    EXPECT_EQ(GetDate(trigger.Get(), TriggerId::EndDay), 0.0);
    EXPECT_EQ(GetDate(trigger.Get(), TriggerId::BeginDay), DateOf(2031, 3, 14));

    const TASK_TRIGGER before = trigger->Record();
    for (DISPID id : {TriggerId::BeginDay, TriggerId::EndDay, TriggerId::StartTime}) {
        DispatchOutcome o = DispatchPut(trigger.Get(), id, CVariant::Date(1e10));
        EXPECT_EQ(o.hr, DISP_E_EXCEPTION);
        EXPECT_TRUE(FAILED(o.scode));
    }
    EXPECT_EQ(memcmp(&before, &trigger->Record(), sizeof(before)), 0);

    EXPECT_OK(DispatchPut(trigger.Get(), TriggerId::EndDay, CVariant::Date(DateOf(2031, 12, 1))));
    EXPECT_EQ(trigger->Record().wEndMonth, 12);
    EXPECT_OK(DispatchPut(trigger.Get(), TriggerId::EndDay, CVariant::Date(0)));
    EXPECT_EQ(trigger->Record().wEndYear, 0);
    EXPECT_EQ(GetDate(trigger.Get(), TriggerId::EndDay), 0.0);
}

// Schedule through IDispatch::Invoke by DISPID, as Grindel calls it, against
// Wine's real task folder.
#include "TaskTestSupport.h"

#include "Files.h"
#include "Handles.h"
#include "TaskNames.h"

namespace {
CInterfacePtr<IDispatch> CreateTask(IDispatch* schedule, const std::wstring& name, DispatchOutcome* outcome = nullptr) {
    CVariant job;
    DispatchOutcome o = DispatchMethod(schedule, Dispid::CreateTask, {name.c_str()}, &job);
    if (outcome) *outcome = o;
    return job.Object();
}

// A task made by another program, straight through the platform.
void MakePlatformTask(const std::wstring& name) {
    CInterfacePtr<ITaskScheduler> scheduler = PlatformScheduler();
    ASSERT_TRUE(scheduler);
    CInterfacePtr<ITask> task;
    ASSERT_EQ(scheduler->NewWorkItem(name.c_str(), CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(task.Out())),
              S_OK);
    task->SetApplicationName(L"cmd.exe");
    task->SetParameters(L"/c exit");
    task->SetCreator(L"Another Program");
    CInterfacePtr<IPersistFile> file;
    ASSERT_EQ(task.As(IID_IPersistFile, file), S_OK);
    ASSERT_EQ(file->Save(nullptr, FALSE), S_OK);
}

long Count(IDispatch* schedule) {
    CVariant count;
    DispatchGet(schedule, Dispid::ScheduleCount, count);
    return count.Long();
}
}  // namespace

TEST(Schedule, CreateRefreshEnumerateAndDelete) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const std::wstring names[3] = {cleanup.Add(UniqueTaskName(L"QvA")), cleanup.Add(UniqueTaskName(L"QvB")),
                                   cleanup.Add(UniqueTaskName(L"QvC"))};
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    const long before = Count(schedule.Get());
    for (const std::wstring& name : names) {
        DispatchOutcome o;
        CInterfacePtr<IDispatch> job = CreateTask(schedule.Get(), name, &o);
        ASSERT_OK(o);
        ASSERT_TRUE(job);
        EXPECT_TRUE(FileExists(TaskFilePath(name).c_str())) << Narrow(name);
        CVariant creator;
        DispatchGet(job.Get(), Dispid::Creator, creator);
        EXPECT_EQ(creator.Text(), L"Tasklatch");
    }
    EXPECT_EQ(Count(schedule.Get()), before + 3);

    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    std::vector<std::wstring> listed = JobNames(schedule.Get());
    EXPECT_EQ(long(listed.size()), Count(schedule.Get()));
    long indexes[3];
    for (int i = 0; i < 3; ++i) {
        indexes[i] = IndexOfJob(schedule.Get(), names[i]);
        EXPECT_GT(indexes[i], 0) << Narrow(names[i]);
    }

    // NewEnum walks the same jobs in the same order.
    CVariant enumerator;
    ASSERT_OK(DispatchGet(schedule.Get(), DISPID_NEWENUM, enumerator));
    ASSERT_EQ(enumerator.Type(), VT_UNKNOWN);
    CInterfacePtr<IEnumVARIANT> walk;
    ASSERT_EQ(V_UNKNOWN(&enumerator.Get())->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(walk.Out())),
              S_OK);
    std::vector<std::wstring> walked;
    CVariant item;
    while (walk->Next(1, item.Out(), nullptr) == S_OK) {
        CVariant name;
        DispatchGet(item.Object().Get(), Dispid::Name, name);
        walked.push_back(name.Text());
    }
    EXPECT_EQ(walked, listed);

    // Deleting the first of ours moves every later job down by one.
    const long first = indexes[0] < indexes[1] ? (indexes[0] < indexes[2] ? 0 : 2) : (indexes[1] < indexes[2] ? 1 : 2);
    const long at = indexes[first];
    const long total = Count(schedule.Get());
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Delete, {short(at)}));
    EXPECT_FALSE(FileExists(TaskFilePath(names[first]).c_str()));
    EXPECT_EQ(Count(schedule.Get()), total - 1);
    std::vector<std::wstring> after = JobNames(schedule.Get());
    std::vector<std::wstring> expected = listed;
    expected.erase(expected.begin() + (at - 1));
    EXPECT_EQ(after, expected);

    EXPECT_RAISED(DispatchMethod(schedule.Get(), Dispid::Delete, {short(0)}), 0x800A0009);
    EXPECT_RAISED(DispatchGet(schedule.Get(), Dispid::Job, item, {short(total + 5)}), 0x800A0009);
    EXPECT_EQ(Count(schedule.Get()), total - 1);
}

TEST(Schedule, ExistingNameInAnyCaseIsRefusedAndTheOtherTaskKeepsItsFile) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const std::wstring other = cleanup.Add(UniqueTaskName(L"QvOther"));
    MakePlatformTask(other);
    CString original;
    ASSERT_TRUE(ReadWholeFile(TaskFilePath(other).c_str(), original));

    std::wstring upper = other;
    CharUpperBuffW(&upper[0], DWORD(upper.size()));
    ASSERT_NE(upper, other);
    const long before = Count(schedule.Get());
    for (const std::wstring& name : {other, upper}) {
        DispatchOutcome o;
        CInterfacePtr<IDispatch> job = CreateTask(schedule.Get(), name, &o);
        EXPECT_EQ(o.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(o.scode, HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
        EXPECT_EQ(o.source, L"TaskScheduler.Schedule");
        EXPECT_FALSE(o.description.empty());
        EXPECT_FALSE(job);
    }
    EXPECT_EQ(Count(schedule.Get()), before);
    CString now;
    ASSERT_TRUE(ReadWholeFile(TaskFilePath(other).c_str(), now));
    EXPECT_TRUE(now.str() == original.str());
    CInterfacePtr<ITask> task = ActivateTask(other);
    ASSERT_TRUE(task);
    LPWSTR creator = nullptr;
    ASSERT_EQ(task->GetCreator(&creator), S_OK);
    EXPECT_STREQ(creator, L"Another Program");
    CoTaskMemFree(creator);
}

TEST(Schedule, DamagedTaskFileIsListedAndCanBeDeletedAndMadeAgain) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const std::wstring damaged = cleanup.Add(UniqueTaskName(L"QvDamaged"));
    const std::wstring good = cleanup.Add(UniqueTaskName(L"QvGood"));
    MakePlatformTask(good);
    MakePlatformTask(damaged);
    {
        // Cut in place: the scheduler service opens each file that appears
        // in the folder, and one it holds cannot be renamed into place.
        CHandle file;
        for (int i = 0; i < 20 && !file.IsValid(); ++i, Sleep(50))
            file.Attach(CreateFileA(TaskFilePath(damaged).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.IsValid());
        ASSERT_NE(SetFilePointer(file, 30, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        ASSERT_TRUE(SetEndOfFile(file));
    }

    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    EXPECT_GT(IndexOfJob(schedule.Get(), good), 0);
    CInterfacePtr<IDispatch> job = JobNamed(schedule.Get(), damaged);
    ASSERT_TRUE(job);
    // Its properties answer with an error, not with empty values.
    CVariant value;
    for (DISPID id : {Dispid::Creator, Dispid::ApplicationName, Dispid::Status, Dispid::Triggers}) {
        DispatchOutcome o = DispatchGet(job.Get(), id, value);
        EXPECT_EQ(o.hr, DISP_E_EXCEPTION) << id;
        EXPECT_TRUE(FAILED(o.scode)) << id;
    }
    DispatchOutcome run = DispatchMethod(job.Get(), Dispid::Run);
    EXPECT_EQ(run.hr, DISP_E_EXCEPTION);

    const long count = Count(schedule.Get());
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Delete, {short(IndexOfJob(schedule.Get(), damaged))}));
    EXPECT_FALSE(FileExists(TaskFilePath(damaged).c_str()));
    EXPECT_EQ(Count(schedule.Get()), count - 1);
    DispatchOutcome o;
    CInterfacePtr<IDispatch> made = CreateTask(schedule.Get(), damaged, &o);
    EXPECT_OK(o);
    ASSERT_TRUE(made);
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    job = JobNamed(schedule.Get(), damaged);
    ASSERT_TRUE(job);
    EXPECT_OK(DispatchGet(job.Get(), Dispid::Creator, value));
    EXPECT_EQ(value.Text(), L"Tasklatch");
}

TEST(Schedule, NamesTheSchedulerCannotHoldAreRefusedAndTheLongestOneWorks) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const int longest = LongestTaskName();
    ASSERT_GT(longest, 100);
    auto padded = [&](int length) {
        std::wstring name = UniqueTaskName(L"QvLong");
        name.resize(size_t(length), L'x');
        return name;
    };
    const HRESULT tooLong = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE), invalid = HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    const struct {
        std::wstring name;
        HRESULT expected;
    } cases[] = {
        {padded(longest), S_OK},
        {padded(longest + 1), tooLong},
        {padded(300), tooLong},
        {L"", invalid},
        {L"a/b", invalid},
        {L"a\\b", invalid},
        {L"a:b", invalid},
        {L"a*b?", invalid},
        {L"a\"b<c>|", invalid},
        {L"tab\tname", invalid},
        {L"NUL", invalid},
        {L"com1.night", invalid},
        {L"Console " + UniqueTaskName(L"QvOk"), S_OK},
    };
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.name) + " (" + std::to_string(c.name.size()) + " characters)");
        const long before = Count(schedule.Get());
        DispatchOutcome o;
        // Only names that work go to the cleanup, which calls the platform with them.
        if (c.expected == S_OK) cleanup.Add(c.name);
        CInterfacePtr<IDispatch> job = CreateTask(schedule.Get(), c.name, &o);
        if (c.expected == S_OK) {
            EXPECT_OK(o);
            EXPECT_TRUE(FileExists(TaskFilePath(c.name).c_str()));
            EXPECT_EQ(Count(schedule.Get()), before + 1);
            continue;
        }
        EXPECT_EQ(o.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(o.scode, c.expected);
        EXPECT_FALSE(o.description.empty());
        EXPECT_FALSE(job);
        EXPECT_EQ(Count(schedule.Get()), before);
    }
    // The longest name is listed, and deleted, by its whole name.
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    const long at = IndexOfJob(schedule.Get(), cases[0].name);
    ASSERT_GT(at, 0);
    EXPECT_OK(DispatchMethod(schedule.Get(), Dispid::Delete, {short(at)}));
    EXPECT_FALSE(FileExists(TaskFilePath(cases[0].name).c_str()));
}

TEST(Schedule, JobMadeByCreateTaskCanBeDeletedBeforeARefresh) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const std::wstring name = cleanup.Add(UniqueTaskName(L"QvFresh"));
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    CInterfacePtr<IDispatch> job = CreateTask(schedule.Get(), name);
    ASSERT_TRUE(job);
    CVariant jobName;
    ASSERT_OK(DispatchGet(job.Get(), Dispid::Name, jobName));
    EXPECT_EQ(jobName.Text(), L"");
    const long count = Count(schedule.Get());
    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Delete, {short(count)}));
    EXPECT_FALSE(FileExists(TaskFilePath(name).c_str()));
    EXPECT_EQ(Count(schedule.Get()), count - 1);
}

TEST(Schedule, TargetComputerIsThePlatformsAndCanBeSetToItself) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CVariant computer;
    ASSERT_OK(DispatchGet(schedule.Get(), Dispid::TargetComputer, computer));
    LPWSTR platform = nullptr;
    ASSERT_EQ(PlatformScheduler()->GetTargetComputer(&platform), S_OK);
    EXPECT_EQ(computer.Text(), platform);
    CoTaskMemFree(platform);
    EXPECT_OK(DispatchPut(schedule.Get(), Dispid::TargetComputer, CVariant(computer.Text().c_str())));
    CVariant again;
    ASSERT_OK(DispatchGet(schedule.Get(), Dispid::TargetComputer, again));
    EXPECT_EQ(again.Text(), computer.Text());
}

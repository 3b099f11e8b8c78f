// Schedule through IDispatch::Invoke by DISPID, as Grindel calls it, against
// Wine's real task folder.
#include "TaskTestSupport.h"

#include "Files.h"
#include "Handles.h"

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

TEST(Schedule, DamagedTaskFileIsNotListed) {
    CInterfacePtr<IDispatch> schedule = NewSchedule();
    ASSERT_TRUE(schedule);
    CTaskCleanup cleanup;
    const std::wstring damaged = cleanup.Add(UniqueTaskName(L"QvDamaged"));
    const std::wstring good = cleanup.Add(UniqueTaskName(L"QvGood"));
    MakePlatformTask(good);
    {
        // Written in place: the scheduler service opens each file that appears
        // in the folder, and one it holds cannot be renamed into place.
        static const char kText[] = "not a task file at all";
        CHandle file(CreateFileA(TaskFilePath(damaged).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD wrote = 0;
        ASSERT_TRUE(file.IsValid() && WriteFile(file, kText, sizeof kText - 1, &wrote, nullptr));
        ASSERT_EQ(wrote, sizeof kText - 1);
    }

    ASSERT_OK(DispatchMethod(schedule.Get(), Dispid::Refresh));
    EXPECT_EQ(IndexOfJob(schedule.Get(), damaged), 0);
    EXPECT_GT(IndexOfJob(schedule.Get(), good), 0);
    // Every counted job has a work item behind it.
    for (long i = 1; i <= Count(schedule.Get()); ++i) {
        CVariant job, app;
        ASSERT_OK(DispatchGet(schedule.Get(), Dispid::Job, job, {short(i)}));
        EXPECT_OK(DispatchGet(job.Object().Get(), Dispid::ApplicationName, app));
    }
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

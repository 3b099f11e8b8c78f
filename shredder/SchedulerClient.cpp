#include "SchedulerClient.h"

#include "DispatchCall.h"

namespace {
enum : DISPID {
    DISPID_JOB_APPLICATIONNAME = 0x68030012,
    DISPID_JOB_COMMANDLINE = 0x68030011,
    DISPID_JOB_CREATOR = 0x6803000F,
    DISPID_JOB_RUN = 0x60030014,
    DISPID_JOB_NAME = 0x68030003,
    DISPID_JOB_SAVE = 0x60030016,
    DISPID_JOB_SHOWPROPERTIES = 0x60030017,
    DISPID_SCHEDULE_CREATETASK = 0x60030002,
    DISPID_SCHEDULE_REFRESH = 0x60030003,
    DISPID_SCHEDULE_DELETE = 0x60030004,
    DISPID_SCHEDULE_JOB = 0,
    DISPID_SCHEDULE_COUNT = 0x68030000,
};

CString TextOf(const CVariant& value) { return AnsiFromWide(value.Text().c_str()).c_str(); }
}  // namespace

bool CJobDriver::PutText(DISPID id, const char* text) {
    return m_job && SUCCEEDED(DispatchPut(m_job.Get(), id, CVariant(WideFromAnsi(text).c_str())).hr);
}

CString CJobDriver::GetText(DISPID id) {
    CVariant value;
    if (!m_job || FAILED(DispatchGet(m_job.Get(), id, value).hr)) return CString();
    return TextOf(value);
}

HRESULT CJobDriver::Call(DISPID id) {
    if (!m_job) return E_NOINTERFACE;
    const DispatchOutcome outcome = DispatchMethod(m_job.Get(), id);
    // The library raises the platform's own error as the call's exception.
    if (outcome.hr == DISP_E_EXCEPTION && FAILED(outcome.scode)) return outcome.scode;
    return outcome.hr;
}

bool CJobDriver::SetApplicationName(const char* name) { return PutText(DISPID_JOB_APPLICATIONNAME, name); }
bool CJobDriver::SetCommandLine(const char* line) { return PutText(DISPID_JOB_COMMANDLINE, line); }
CString CJobDriver::GetCommandLine() { return GetText(DISPID_JOB_COMMANDLINE); }
CString CJobDriver::GetCreator() { return GetText(DISPID_JOB_CREATOR); }
bool CJobDriver::SetCreator(const char* creator) { return PutText(DISPID_JOB_CREATOR, creator); }
HRESULT CJobDriver::Run() { return Call(DISPID_JOB_RUN); }
CString CJobDriver::GetName() { return GetText(DISPID_JOB_NAME); }
HRESULT CJobDriver::ShowProperties() { return Call(DISPID_JOB_SHOWPROPERTIES); }

bool CJobDriver::Save() {
    return m_job && SUCCEEDED(DispatchMethod(m_job.Get(), DISPID_JOB_SAVE, {CVariant(L"")}).hr);
}

bool CScheduleDriver::Create() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid))) return false;
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(m_schedule.Out())));
}

CInterfacePtr<IDispatch> CScheduleDriver::CreateTask(const char* name) {
    CVariant job;
    if (!m_schedule ||
        FAILED(DispatchMethod(m_schedule.Get(), DISPID_SCHEDULE_CREATETASK, {CVariant(WideFromAnsi(name).c_str())},
                              &job).hr))
        return CInterfacePtr<IDispatch>();
    return job.Object();
}

bool CScheduleDriver::Refresh() {
    return m_schedule && SUCCEEDED(DispatchMethod(m_schedule.Get(), DISPID_SCHEDULE_REFRESH).hr);
}

bool CScheduleDriver::Delete(short index) {
    return m_schedule && SUCCEEDED(DispatchMethod(m_schedule.Get(), DISPID_SCHEDULE_DELETE, {CVariant(index)}).hr);
}

CInterfacePtr<IDispatch> CScheduleDriver::GetJob(short index) {
    CVariant job;
    if (!m_schedule || FAILED(DispatchGet(m_schedule.Get(), DISPID_SCHEDULE_JOB, job, {CVariant(index)}).hr))
        return CInterfacePtr<IDispatch>();
    return job.Object();
}

long CScheduleDriver::GetCount() {
    CVariant count;
    if (!m_schedule || FAILED(DispatchGet(m_schedule.Get(), DISPID_SCHEDULE_COUNT, count).hr)) return 0;
    return count.Long();
}

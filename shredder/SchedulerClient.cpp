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

// The library raises the platform's own error as the call's exception.
HRESULT ErrorOf(const DispatchOutcome& outcome) {
    if (outcome.hr == DISP_E_EXCEPTION && FAILED(outcome.scode)) return outcome.scode;
    return outcome.hr;
}
}  // namespace

bool CJobDriver::PutText(DISPID id, const char* text) { return PutText(id, WideFromAnsi(text).c_str()); }

bool CJobDriver::PutText(DISPID id, const wchar_t* text) {
    if (!m_job) return (m_error = E_NOINTERFACE), false;
    const HRESULT hr = ErrorOf(DispatchPut(m_job.Get(), id, CVariant(text)));
    if (FAILED(hr)) m_error = hr;
    return SUCCEEDED(hr);
}

HRESULT CJobDriver::GetText(DISPID id, CString& text) {
    text = CString();
    CVariant value;
    const HRESULT hr = m_job ? ErrorOf(DispatchGet(m_job.Get(), id, value)) : E_NOINTERFACE;
    if (FAILED(hr)) return m_error = hr;
    text = TextOf(value);
    return S_OK;
}

CString CJobDriver::GetText(DISPID id) {
    CString text;
    GetText(id, text);
    return text;
}

HRESULT CJobDriver::Call(DISPID id, std::initializer_list<CVariant> args) {
    const HRESULT hr = m_job ? ErrorOf(DispatchMethod(m_job.Get(), id, args)) : E_NOINTERFACE;
    if (FAILED(hr)) m_error = hr;
    return hr;
}

bool CJobDriver::SetApplicationName(const char* name) { return PutText(DISPID_JOB_APPLICATIONNAME, name); }
bool CJobDriver::SetCommandLine(const char* line) { return PutText(DISPID_JOB_COMMANDLINE, line); }
bool CJobDriver::SetCommandLine(const CRealPath& line) { return PutText(DISPID_JOB_COMMANDLINE, line.c_str()); }
CString CJobDriver::GetCommandLine() { return GetText(DISPID_JOB_COMMANDLINE); }

CRealPath CJobDriver::GetRealCommandLine() {
    CVariant value;
    const HRESULT hr = m_job ? ErrorOf(DispatchGet(m_job.Get(), DISPID_JOB_COMMANDLINE, value)) : E_NOINTERFACE;
    if (FAILED(hr)) {
        m_error = hr;
        return CRealPath();
    }
    return value.Text();
}
CString CJobDriver::GetCreator() { return GetText(DISPID_JOB_CREATOR); }
HRESULT CJobDriver::GetCreator(CString& creator) { return GetText(DISPID_JOB_CREATOR, creator); }
bool CJobDriver::SetCreator(const char* creator) { return PutText(DISPID_JOB_CREATOR, creator); }
HRESULT CJobDriver::Run() { return Call(DISPID_JOB_RUN); }
CString CJobDriver::GetName() { return GetText(DISPID_JOB_NAME); }
HRESULT CJobDriver::ShowProperties() { return Call(DISPID_JOB_SHOWPROPERTIES); }
bool CJobDriver::Save() { return SUCCEEDED(Call(DISPID_JOB_SAVE, {CVariant(L"")})); }

HRESULT CScheduleDriver::Failed(HRESULT hr) {
    if (FAILED(hr)) m_error = hr;
    return hr;
}

bool CScheduleDriver::Create() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"TaskScheduler.Schedule", &clsid))) return false;
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(m_schedule.Out())));
}

CInterfacePtr<IDispatch> CScheduleDriver::CreateTask(const char* name) {
    CVariant job;
    if (!m_schedule) return Failed(E_NOINTERFACE), CInterfacePtr<IDispatch>();
    if (FAILED(Failed(ErrorOf(DispatchMethod(m_schedule.Get(), DISPID_SCHEDULE_CREATETASK,
                                             {CVariant(WideFromAnsi(name).c_str())}, &job)))))
        return CInterfacePtr<IDispatch>();
    return job.Object();
}

bool CScheduleDriver::Refresh() {
    if (!m_schedule) return SUCCEEDED(Failed(E_NOINTERFACE));
    return SUCCEEDED(Failed(ErrorOf(DispatchMethod(m_schedule.Get(), DISPID_SCHEDULE_REFRESH))));
}

bool CScheduleDriver::Delete(short index) {
    if (!m_schedule) return SUCCEEDED(Failed(E_NOINTERFACE));
    return SUCCEEDED(Failed(ErrorOf(DispatchMethod(m_schedule.Get(), DISPID_SCHEDULE_DELETE, {CVariant(index)}))));
}

CInterfacePtr<IDispatch> CScheduleDriver::GetJob(short index) {
    CVariant job;
    if (!m_schedule) return Failed(E_NOINTERFACE), CInterfacePtr<IDispatch>();
    if (FAILED(Failed(ErrorOf(DispatchGet(m_schedule.Get(), DISPID_SCHEDULE_JOB, job, {CVariant(index)})))))
        return CInterfacePtr<IDispatch>();
    return job.Object();
}

long CScheduleDriver::GetCount() {
    CVariant count;
    if (!m_schedule) return Failed(E_NOINTERFACE), 0;
    if (FAILED(Failed(ErrorOf(DispatchGet(m_schedule.Get(), DISPID_SCHEDULE_COUNT, count))))) return 0;
    return count.Long();
}

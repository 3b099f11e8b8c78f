#include "Trigger.h"

namespace {
const char* const TriggerSource = "TaskScheduler.Trigger";
}

CTrigger::CTrigger() : CDispatchObject(TriggerSource) {
    ZeroMemory(&m_record, sizeof(m_record));
    m_record.cbTriggerSize = sizeof(m_record);
}

HRESULT CTrigger::Attach(ITaskTrigger* trigger, IScheduledWorkItem* item, WORD index) {
    m_trigger.Reset(trigger);
    m_item.Reset(item);
    m_index = index;
    return Refresh();
}

void CTrigger::Detach() {
    m_trigger.Release();
    m_item.Release();
}

HRESULT CTrigger::RaiseTypeError() const { return Raise(E_INVALID_TRIGGER_TYPE, "Invalid trigger type"); }

WORD* CTrigger::UnionField(UnionMember member) {
    TRIGGER_TYPE_UNION& u = m_record.Type;
    switch (m_record.TriggerType) {
    case TASK_TIME_TRIGGER_DAILY:
        return member == DaysIntervalMember ? &u.Daily.DaysInterval : nullptr;
    case TASK_TIME_TRIGGER_WEEKLY:
        if (member == WeeksIntervalMember) return &u.Weekly.WeeksInterval;
        return member == DaysOfTheWeekMember ? &u.Weekly.rgfDaysOfTheWeek : nullptr;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
        return member == MonthsMember ? &u.MonthlyDate.rgfMonths : nullptr;
    case TASK_TIME_TRIGGER_MONTHLYDOW:
        if (member == WeekMember) return &u.MonthlyDOW.wWhichWeek;
        if (member == DaysOfTheWeekMember) return &u.MonthlyDOW.rgfDaysOfTheWeek;
        return member == MonthsMember ? &u.MonthlyDOW.rgfMonths : nullptr;
    default:
        return nullptr;
    }
}

STDMETHODIMP CTrigger::get_DaysInterval(short* value) { return GetUnion(DaysIntervalMember, value); }
STDMETHODIMP CTrigger::put_DaysInterval(short value) { return PutUnion(DaysIntervalMember, value); }
STDMETHODIMP CTrigger::get_Months(saTriggerMonths* value) { return GetUnion(MonthsMember, value); }
STDMETHODIMP CTrigger::put_Months(saTriggerMonths value) { return PutUnion(MonthsMember, value); }
STDMETHODIMP CTrigger::get_DaysOfTheWeek(saTriggerDays* value) { return GetUnion(DaysOfTheWeekMember, value); }
STDMETHODIMP CTrigger::put_DaysOfTheWeek(saTriggerDays value) { return PutUnion(DaysOfTheWeekMember, value); }
STDMETHODIMP CTrigger::get_Week(saTriggerWeeks* value) { return GetUnion(WeekMember, value); }
STDMETHODIMP CTrigger::put_Week(saTriggerWeeks value) { return PutUnion(WeekMember, value); }
STDMETHODIMP CTrigger::get_WeeksInterval(short* value) { return GetUnion(WeeksIntervalMember, value); }
STDMETHODIMP CTrigger::put_WeeksInterval(short value) { return PutUnion(WeeksIntervalMember, value); }

// Day is a 32-bit field of which the property holds the low half (days 1-16).
STDMETHODIMP CTrigger::get_Day(short* value) {
    if (!value) return E_POINTER;
    if (m_record.TriggerType != TASK_TIME_TRIGGER_MONTHLYDATE) return RaiseTypeError();
    *value = short(LOWORD(m_record.Type.MonthlyDate.rgfDays));
    return S_OK;
}

STDMETHODIMP CTrigger::put_Day(short value) {
    if (m_record.TriggerType != TASK_TIME_TRIGGER_MONTHLYDATE) return RaiseTypeError();
    // Days 17-31, which another program may have set, stay as they are.
    DWORD& days = m_record.Type.MonthlyDate.rgfDays;
    days = (days & 0xFFFF0000u) | WORD(value);
    return S_OK;
}

STDMETHODIMP CTrigger::Refresh() {
    if (!m_trigger) return Raise(E_UNEXPECTED);
    TASK_TRIGGER record;
    ZeroMemory(&record, sizeof(record));
    record.cbTriggerSize = sizeof(record);
    HRESULT hr = m_trigger->GetTrigger(&record);
    if (FAILED(hr)) return Raise(hr);
    m_record = record;
    return S_OK;
}

STDMETHODIMP CTrigger::Update() {
    if (!m_trigger) return Raise(E_UNEXPECTED);
    HRESULT hr = m_trigger->SetTrigger(&m_record);
    if (FAILED(hr)) return Raise(hr);
    return Refresh();
}

STDMETHODIMP CTrigger::get_Text(BSTR* value) {
    if (!value) return E_POINTER;
    if (!m_item) return Raise(E_UNEXPECTED);
    LPWSTR text = nullptr;
    HRESULT hr = m_item->GetTriggerString(m_index, &text);
    if (FAILED(hr)) return Raise(hr);
    *value = TakeTaskMemString(text);
    return *value ? S_OK : Raise(E_OUTOFMEMORY);
}

namespace {
template <typename Value, typename Field>
HRESULT ReadField(const Field& field, Value* value) {
    if (!value) return E_POINTER;
    *value = Value(field);
    return S_OK;
}
}  // namespace

// The members that every trigger type has.
STDMETHODIMP CTrigger::get_TriggerType(saTriggerTypes* value) { return ReadField(m_record.TriggerType, value); }
STDMETHODIMP CTrigger::get_Duration(LONG* value) { return ReadField(m_record.MinutesDuration, value); }
STDMETHODIMP CTrigger::get_Interval(LONG* value) { return ReadField(m_record.MinutesInterval, value); }
STDMETHODIMP CTrigger::get_Flags(saTriggerFlags* value) { return ReadField(m_record.rgFlags, value); }
STDMETHODIMP CTrigger::get_RandomInterval(short* value) { return ReadField(m_record.wRandomMinutesInterval, value); }
STDMETHODIMP CTrigger::put_TriggerType(saTriggerTypes value) { m_record.TriggerType = TASK_TRIGGER_TYPE(value); return S_OK; }
STDMETHODIMP CTrigger::put_Duration(LONG value) { m_record.MinutesDuration = DWORD(value); return S_OK; }
STDMETHODIMP CTrigger::put_Interval(LONG value) { m_record.MinutesInterval = DWORD(value); return S_OK; }
STDMETHODIMP CTrigger::put_Flags(saTriggerFlags value) { m_record.rgFlags = DWORD(value); return S_OK; }
STDMETHODIMP CTrigger::put_RandomInterval(short value) { m_record.wRandomMinutesInterval = WORD(value); return S_OK; }

HRESULT CTrigger::GetDate(WORD year, WORD month, WORD day, DATE* value) const {
    if (!value) return E_POINTER;
    // No date (an end date never set) reads as 0.
    if (year == 0 && month == 0 && day == 0) {
        *value = 0;
        return S_OK;
    }
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    DATE date = 0;
    if (!SystemTimeToVariantTime(&time, &date)) return Raise(E_INVALIDARG, "The trigger holds an invalid date");
    *value = date;
    return S_OK;
}

HRESULT CTrigger::SetDate(DATE value, WORD& year, WORD& month, WORD& day) {
    if (value == 0) {
        year = month = day = 0;
        return S_OK;
    }
    SYSTEMTIME time = {};
    if (!VariantTimeToSystemTime(value, &time)) return Raise(E_INVALIDARG, "Invalid date");
    year = time.wYear;
    month = time.wMonth;
    day = time.wDay;
    return S_OK;
}

STDMETHODIMP CTrigger::get_BeginDay(DATE* value) {
    return GetDate(m_record.wBeginYear, m_record.wBeginMonth, m_record.wBeginDay, value);
}

STDMETHODIMP CTrigger::put_BeginDay(DATE value) {
    return SetDate(value, m_record.wBeginYear, m_record.wBeginMonth, m_record.wBeginDay);
}

STDMETHODIMP CTrigger::get_EndDay(DATE* value) {
    return GetDate(m_record.wEndYear, m_record.wEndMonth, m_record.wEndDay, value);
}

STDMETHODIMP CTrigger::put_EndDay(DATE value) {
    return SetDate(value, m_record.wEndYear, m_record.wEndMonth, m_record.wEndDay);
}

STDMETHODIMP CTrigger::get_StartTime(DATE* value) {
    if (!value) return E_POINTER;
    // The time alone: an automation date on day 0 (30 December 1899).
    SYSTEMTIME time = {};
    time.wYear = 1899;
    time.wMonth = 12;
    time.wDay = 30;
    time.wHour = m_record.wStartHour;
    time.wMinute = m_record.wStartMinute;
    DATE date = 0;
    if (!SystemTimeToVariantTime(&time, &date)) return Raise(E_INVALIDARG, "The trigger holds an invalid start time");
    *value = date;
    return S_OK;
}

STDMETHODIMP CTrigger::put_StartTime(DATE value) {
    SYSTEMTIME time = {};
    if (!VariantTimeToSystemTime(value, &time)) return Raise(E_INVALIDARG, "Invalid time");
    m_record.wStartHour = time.wHour;
    m_record.wStartMinute = time.wMinute;
    return S_OK;
}

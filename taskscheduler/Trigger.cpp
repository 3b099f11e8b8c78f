#include "Trigger.h"

namespace {
const char* const TriggerSource = "TaskScheduler.Trigger";

const DWORD kTriggerFlags =
    TASK_TRIGGER_FLAG_HAS_END_DATE | TASK_TRIGGER_FLAG_KILL_AT_DURATION_END | TASK_TRIGGER_FLAG_DISABLED;
const DWORD kWeekDays = 0x7F;       // Sunday to Saturday
const DWORD kMonths = 0xFFF;        // January to December
const DWORD kMonthDays = 0x7FFFFFFF;  // days 1 to 31

const char* const kTypeFault = "TriggerType must be one of ttOnce (0) to ttAtLogon (7)";
const char* const kFlagsFault = "Flags may hold only tfHasEndDate, tfKillAtDurationEnd and tfTriggerDisabled";
const char* const kMinutesFault = "Duration and Interval cannot be negative";
const char* const kRandomFault = "RandomInterval must be 0: a task file keeps no random delay";
const char* const kBeginFault = "BeginDay must be a date from 1601 on";
const char* const kEndFault = "EndDay must be a date from 1601 on, or 0 for none";
const char* const kIntervalFault = "DaysInterval and WeeksInterval must be at least 1";
const char* const kWeekDaysFault = "DaysOfTheWeek must hold at least one day and nothing else";
const char* const kMonthsFault = "Months must hold at least one month and nothing else";
const char* const kWeekFault = "Week must be one of twFirst (1) to twLast (5)";

bool IsValidType(LONG type) { return type >= TASK_TIME_TRIGGER_ONCE && type <= TASK_EVENT_TRIGGER_AT_LOGON; }
bool IsValidFlags(LONG flags) { return (DWORD(flags) & ~kTriggerFlags) == 0; }
// At least one of the bits, and none beside them.
bool IsBitSet(LONG value, DWORD bits) { return value != 0 && (DWORD(value) & ~bits) == 0; }
bool IsValidWeek(LONG week) { return week >= TASK_FIRST_WEEK && week <= TASK_LAST_WEEK; }
bool IsValidInterval(LONG interval) { return interval >= 1 && interval <= 0xFFFF; }

// A calendar day from which the scheduler can work out a run: it counts in file times.
bool IsTaskDate(WORD year, WORD month, WORD day) {
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    FILETIME file;
    return SystemTimeToFileTime(&time, &file) != 0;
}

DWORD DateKey(WORD year, WORD month, WORD day) { return DWORD(year) * 10000 + DWORD(month) * 100 + day; }

const char* UnionFault(const TASK_TRIGGER& record) {
    const TRIGGER_TYPE_UNION& u = record.Type;
    switch (record.TriggerType) {
    case TASK_TIME_TRIGGER_DAILY:
        return IsValidInterval(u.Daily.DaysInterval) ? nullptr : kIntervalFault;
    case TASK_TIME_TRIGGER_WEEKLY:
        if (!IsValidInterval(u.Weekly.WeeksInterval)) return kIntervalFault;
        return IsBitSet(u.Weekly.rgfDaysOfTheWeek, kWeekDays) ? nullptr : kWeekDaysFault;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
        if (!IsBitSet(LONG(u.MonthlyDate.rgfDays), kMonthDays)) return "Day must hold at least one day of the month";
        return IsBitSet(u.MonthlyDate.rgfMonths, kMonths) ? nullptr : kMonthsFault;
    case TASK_TIME_TRIGGER_MONTHLYDOW:
        if (!IsValidWeek(u.MonthlyDOW.wWhichWeek)) return kWeekFault;
        if (!IsBitSet(u.MonthlyDOW.rgfDaysOfTheWeek, kWeekDays)) return kWeekDaysFault;
        return IsBitSet(u.MonthlyDOW.rgfMonths, kMonths) ? nullptr : kMonthsFault;
    default:
        return nullptr;
    }
}
}  // namespace

const char* TriggerRecordFault(const TASK_TRIGGER& r) {
    if (!IsValidType(r.TriggerType)) return kTypeFault;
    if (!IsValidFlags(LONG(r.rgFlags))) return kFlagsFault;
    if (!IsTaskDate(r.wBeginYear, r.wBeginMonth, r.wBeginDay)) return kBeginFault;
    const bool hasEnd = r.wEndYear || r.wEndMonth || r.wEndDay;
    if (hasEnd && !IsTaskDate(r.wEndYear, r.wEndMonth, r.wEndDay)) return kEndFault;
    if ((r.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE) && !hasEnd) return "tfHasEndDate needs an EndDay";
    if (hasEnd && DateKey(r.wEndYear, r.wEndMonth, r.wEndDay) < DateKey(r.wBeginYear, r.wBeginMonth, r.wBeginDay))
        return "EndDay cannot be before BeginDay";
    if (r.wStartHour > 23 || r.wStartMinute > 59) return "StartTime must be from 0:00 to 23:59";
    if (LONG(r.MinutesDuration) < 0 || LONG(r.MinutesInterval) < 0) return kMinutesFault;
    if (r.MinutesInterval != 0 && r.MinutesInterval >= r.MinutesDuration)
        return "Interval must be shorter than Duration";
    return UnionFault(r);
}

CTrigger::CTrigger() : CDispatchObject(TriggerSource) {
    ZeroMemory(&m_record, sizeof(m_record));
    m_record.cbTriggerSize = sizeof(m_record);
    m_read = m_record;
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

HRESULT CTrigger::PutUnion(UnionMember member, LONG value) {
    WORD* field = UnionField(member);
    if (!field) return RaiseTypeError();
    switch (member) {
    case DaysIntervalMember:
    case WeeksIntervalMember:
        if (!IsValidInterval(value)) return RaiseInvalid(kIntervalFault);
        break;
    case MonthsMember:
        if (!IsBitSet(value, kMonths)) return RaiseInvalid(kMonthsFault);
        break;
    case DaysOfTheWeekMember:
        if (!IsBitSet(value, kWeekDays)) return RaiseInvalid(kWeekDaysFault);
        break;
    case WeekMember:
        if (!IsValidWeek(value)) return RaiseInvalid(kWeekFault);
        break;
    }
    *field = WORD(value);
    return S_OK;
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
    m_record = m_read = record;
    return S_OK;
}

STDMETHODIMP CTrigger::Update() {
    if (!m_trigger) return Raise(E_UNEXPECTED);
    // Values that are valid only together are checked here, before the platform sees any of them.
    if (memcmp(&m_record, &m_read, sizeof m_record) != 0) {
        const char* fault = TriggerRecordFault(m_record);
        if (fault) return RaiseInvalid(fault);
    }
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

// A value the scheduler cannot hold is refused and leaves the record as it was.
STDMETHODIMP CTrigger::put_TriggerType(saTriggerTypes value) {
    if (!IsValidType(value)) return RaiseInvalid(kTypeFault);
    m_record.TriggerType = TASK_TRIGGER_TYPE(value);
    return S_OK;
}

STDMETHODIMP CTrigger::put_Duration(LONG value) {
    if (value < 0) return RaiseInvalid(kMinutesFault);
    m_record.MinutesDuration = DWORD(value);
    return S_OK;
}

STDMETHODIMP CTrigger::put_Interval(LONG value) {
    if (value < 0) return RaiseInvalid(kMinutesFault);
    m_record.MinutesInterval = DWORD(value);
    return S_OK;
}

STDMETHODIMP CTrigger::put_Flags(saTriggerFlags value) {
    if (!IsValidFlags(value)) return RaiseInvalid(kFlagsFault);
    m_record.rgFlags = DWORD(value);
    return S_OK;
}

STDMETHODIMP CTrigger::put_RandomInterval(short value) {
    if (value != 0) return RaiseInvalid(kRandomFault);
    m_record.wRandomMinutesInterval = WORD(value);
    return S_OK;
}

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

HRESULT CTrigger::SetDate(DATE value, bool required, WORD& year, WORD& month, WORD& day) {
    const char* fault = required ? kBeginFault : kEndFault;
    if (value == 0) {
        if (required) return RaiseInvalid(fault);
        year = month = day = 0;
        return S_OK;
    }
    SYSTEMTIME time = {};
    if (!VariantTimeToSystemTime(value, &time) || !IsTaskDate(time.wYear, time.wMonth, time.wDay))
        return RaiseInvalid(fault);
    year = time.wYear;
    month = time.wMonth;
    day = time.wDay;
    return S_OK;
}

STDMETHODIMP CTrigger::get_BeginDay(DATE* value) {
    return GetDate(m_record.wBeginYear, m_record.wBeginMonth, m_record.wBeginDay, value);
}

STDMETHODIMP CTrigger::put_BeginDay(DATE value) {
    return SetDate(value, true, m_record.wBeginYear, m_record.wBeginMonth, m_record.wBeginDay);
}

STDMETHODIMP CTrigger::get_EndDay(DATE* value) {
    return GetDate(m_record.wEndYear, m_record.wEndMonth, m_record.wEndDay, value);
}

STDMETHODIMP CTrigger::put_EndDay(DATE value) {
    return SetDate(value, false, m_record.wEndYear, m_record.wEndMonth, m_record.wEndDay);
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

// Trigger.h - CTrigger, one schedule trigger of a job: a local copy of the
// platform's TASK_TRIGGER record that the properties change and Update
// writes back. The union members answer only for the trigger types that
// have them. Not creatable; Triggers attaches each one.
#pragma once

#include "Tasklatch.h"

// Raised by a union member that the trigger's type does not have.
const HRESULT E_INVALID_TRIGGER_TYPE = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 1);

// Why the scheduler cannot hold the record (the TASK_TRIGGER ranges, and the
// values that are valid only together), or null when it can.
const char* TriggerRecordFault(const TASK_TRIGGER& record);

class CTrigger : public CTaskSchedulerObject<_Trigger, &IID__Trigger> {
public:
    CTrigger();

    // Keeps the platform trigger, the work item and the index, and reads the record.
    HRESULT Attach(ITaskTrigger* trigger, IScheduledWorkItem* item, WORD index);
    // After the trigger was deleted: every later call raises an error.
    void Detach();
    WORD Index() const { return m_index; }
    const TASK_TRIGGER& Record() const { return m_record; }

    STDMETHODIMP get_DaysInterval(short* value) override;
    STDMETHODIMP put_DaysInterval(short value) override;
    STDMETHODIMP get_Day(short* value) override;
    STDMETHODIMP put_Day(short value) override;
    STDMETHODIMP get_Months(saTriggerMonths* value) override;
    STDMETHODIMP put_Months(saTriggerMonths value) override;
    STDMETHODIMP get_DaysOfTheWeek(saTriggerDays* value) override;
    STDMETHODIMP put_DaysOfTheWeek(saTriggerDays value) override;
    STDMETHODIMP get_Week(saTriggerWeeks* value) override;
    STDMETHODIMP put_Week(saTriggerWeeks value) override;
    STDMETHODIMP get_WeeksInterval(short* value) override;
    STDMETHODIMP put_WeeksInterval(short value) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP Update() override;
    STDMETHODIMP get_Text(BSTR* value) override;
    STDMETHODIMP get_TriggerType(saTriggerTypes* value) override;
    STDMETHODIMP put_TriggerType(saTriggerTypes value) override;
    STDMETHODIMP get_Duration(LONG* value) override;
    STDMETHODIMP put_Duration(LONG value) override;
    STDMETHODIMP get_Interval(LONG* value) override;
    STDMETHODIMP put_Interval(LONG value) override;
    STDMETHODIMP get_Flags(saTriggerFlags* value) override;
    STDMETHODIMP put_Flags(saTriggerFlags value) override;
    STDMETHODIMP get_BeginDay(DATE* value) override;
    STDMETHODIMP put_BeginDay(DATE value) override;
    STDMETHODIMP get_EndDay(DATE* value) override;
    STDMETHODIMP put_EndDay(DATE value) override;
    STDMETHODIMP get_RandomInterval(short* value) override;
    STDMETHODIMP put_RandomInterval(short value) override;
    STDMETHODIMP get_StartTime(DATE* value) override;
    STDMETHODIMP put_StartTime(DATE value) override;

private:
    enum UnionMember { DaysIntervalMember, MonthsMember, DaysOfTheWeekMember, WeekMember, WeeksIntervalMember };
    // The record's field behind a union member for the trigger's type; NULL
    // when that type has no such member.
    WORD* UnionField(UnionMember member);
    HRESULT RaiseTypeError() const;
    template <typename Value>
    HRESULT GetUnion(UnionMember member, Value* value) {
        if (!value) return E_POINTER;
        WORD* field = UnionField(member);
        if (!field) return RaiseTypeError();
        *value = Value(*field);
        return S_OK;
    }
    HRESULT PutUnion(UnionMember member, LONG value);
    HRESULT GetDate(WORD year, WORD month, WORD day, DATE* value) const;
    HRESULT SetDate(DATE value, bool required, WORD& year, WORD& month, WORD& day);
    HRESULT RaiseInvalid(const char* why) const { return Raise(E_INVALIDARG, why); }

    CInterfacePtr<ITaskTrigger> m_trigger;
    CInterfacePtr<IScheduledWorkItem> m_item;
    WORD m_index = 0;
    TASK_TRIGGER m_record;
    // The record as the platform last gave it: Update checks only a record
    // that differs, so a task another program saved can still be saved again.
    TASK_TRIGGER m_read;
};

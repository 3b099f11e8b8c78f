// ProgressDialog.h - CProgressDialog, the modeless progress window of an
// interactive job (dialog 137): item and pass texts, job and pass bars, and
// Cancel, which sets the job's abort flag.
// Deliberately not: skinning; the dialog keeps the system's look.
#pragma once

#include <windows.h>

#include "Overwrite.h"

class CProgressDialog : public IShredProgress {
public:
    CProgressDialog(HWND owner, const ULONGLONG& jobBlocks, volatile bool& abort);
    ~CProgressDialog() override;

    bool Open() override;
    void SetItemText(const char* text) override;
    void SetPassText(const char* text) override;
    void SetCaption(const char* text) override;
    void SetJobRange(ULONGLONG blocks) override;
    void SetPassRange(DWORD blocks) override;
    void SetPassPos(DWORD block) override;
    void StepJob(DWORD blocks) override;
    void Pump() override;
    void Close() override;

    HWND Window() const { return m_hwnd; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_owner;
    HWND m_hwnd = nullptr;
    const ULONGLONG& m_jobBlocks;
    volatile bool& m_abort;
};

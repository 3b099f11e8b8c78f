// StartNoticeDlg.h - CStartNoticeDlg, the notice start-up shows (not on the
// first run, and only while ShowAtStart is set) that Blokkum lives in the
// tray; its check box keeps it away at the next starts.
//
// How start-up shows it:
//     CStartNoticeDlg notice(settings, dialogSkin);
//     notice.DoModal();
//     showAtStart = notice.m_dwShowAtStart;   // also stored as ShowAtStart
// Deliberately not: any other start-up question.
#pragma once

#include <windows.h>

#include "BlokkumSettings.h"
#include "Controls.h"
#include "Dialog.h"
#include "Skin.h"

class CStartNoticeDlg : public CDialog {
public:
    CStartNoticeDlg(CBlokkumSettings& settings, CSkinObject& skin, CWnd* parent = nullptr);

    // 0 when the user asked not to see the notice again, else 1 (after OK).
    DWORD m_dwShowAtStart = 1;
    CButton m_dontShow;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    CBlokkumSettings& m_settings;
    CSkinObject& m_skin;
};

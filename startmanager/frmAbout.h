// frmAbout.h - Bootlist's About form: the program's name, version,
// description and disclaimer from its version resource (the pack's texts
// replace them when language files are present), and the Windows
// system-information tool.
// Deliberately not: links, credits.
#pragma once

#include <windows.h>

#include "BootlistForms.h"
#include "Dialog.h"
#include "Skin.h"

// The value as text (REG_SZ without its terminator, REG_DWORD in decimal);
// false, with keyVal empty, on any failure.
bool GetKeyValue(HKEY keyRoot, const char* keyName, const char* subKeyRef, CString& keyVal);

// A text of the program's version resource ("ProductName", "FileVersion",
// ...); empty when the resource or the text is missing.
CString VersionText(const char* name);

class frmAbout : public CDialog {
public:
    frmAbout(const CSharedTexts& texts, CWnd* parent);

    // Starts the system-information tool, or says that it is unavailable.
    void StartSysInfo();

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    const CSharedTexts& m_texts;
    CSkinObject m_skin;
};

// AboutBox.h - CAboutDlg, Grindel's About box: version and legal notice from
// the program's own version resource, and a hyperlink to the web site.
// Deliberately not: any text of its own beyond the language keys.
#pragma once

#include "LinkStatic.h"
#include "ShredPage.h"

// The web address of the About box's link.
extern const char* const kGrindelSiteUrl;

// Replaces the texts of the controls, each naming a value of the version
// resource's "040904b0" block, by those values (at most 256 characters);
// controls whose value is missing or empty keep their text.
void FillVersionTexts(HWND dialog, const char* moduleFile, const UINT* controls, int count);

class CAboutDlg : public CShredDialog {
public:
    CAboutDlg(CShredderApp& app, HWND parent);

    const CLinkStatic& Link() const { return m_link; }

protected:
    BOOL OnInitDialog() override;

private:
    void FillVersionInfo();
    CLinkStatic m_link;
};

// The About box and the start notice, run modally and driven by messages.
#include <gtest/gtest.h>

#include "AboutDlg.h"
#include "BlokkumDialogIds.h"
#include "IEProxyTestSupport.h"
#include "Seams.h"
#include "StartNoticeDlg.h"
#include "TestSupport.h"
#include "WizardTestSupport.h"

namespace {
struct LaunchCall {
    std::string verb, file, params, folder;
};
}  // namespace

TEST(AboutDlg, VersionTextsComeFromTheResourceAndTheLinkOpensInternetExplorer) {
    CTestRegistryKey reg;
    CTempFolder folder;
    folder.Write("Language\\English.ini", "[QuorvaneBlokkum]\r\n12000=About Blokkum\r\n12001=Release:\r\n");
    CBrowserSystem system;
    system.appPathsRoot = HKEY_CURRENT_USER;
    system.appPathsKey = reg.SubKey() + "\\App Paths";
    {
        CRegKey ie;
        ie.Create(HKEY_CURRENT_USER, system.appPathsKey + "\\IEXPLORE.EXE");
        ie.SetString(nullptr, "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE");
    }
    std::vector<LaunchCall> launches;
    SetShellExecuteHook([&](HWND, const char* verb, const char* file, const char* params, const char* dir, int) {
        launches.push_back({verb, file, params ? params : "", dir ? dir : ""});
        return HINSTANCE(42);
    });
    CBlokkumSettings settings;
    settings.m_strPath = folder.Path();
    settings.m_strLanguage = "English";
    CSkinObject skin;
    CAboutDlg about(settings, skin, nullptr, system);
    CString caption, label, copyright, version;
    CStepDriver driver({[&] {
                            HWND d = about.m_hWnd;
                            caption = about.GetWindowText();
                            label = about.GetDlgItemText(IDC_ABOUT_VERSION_LABEL);
                            copyright = about.GetDlgItemText(IDC_ABOUT_COPYRIGHT);
                            version = about.GetDlgItemText(IDC_ABOUT_VERSION);
                            ClickItem(d, IDC_ABOUT_LINK);
                            CRegKey::DeleteTree(HKEY_CURRENT_USER, system.appPathsKey);
                            ClickItem(d, IDC_ABOUT_LINK);
                            ClickItem(d, IDOK);
                        }},
                       [&] { about.EndDialog(IDCANCEL); });
    EXPECT_EQ(IDOK, about.DoModal());
    SetShellExecuteHook(nullptr);

    EXPECT_EQ(CString("About Blokkum"), caption);
    EXPECT_EQ(CString("Release:"), label);
    EXPECT_EQ(CString("LegalCopyright"), copyright);
    EXPECT_EQ(CString("4.2.0.7"), version);
    ASSERT_EQ(1u, launches.size());
    EXPECT_EQ("Open", launches[0].verb);
    EXPECT_EQ("IEXPLORE.EXE", launches[0].file);
    EXPECT_EQ(BLOKKUM_MAKER_ADDRESS, launches[0].params);
    EXPECT_EQ("C:\\Program Files\\Internet Explorer", launches[0].folder);
    ExpectNoWindowLeftOpen();
}

TEST(StartNoticeDlg, TheCheckedBoxStoresShowAtStartOff) {
    CTestRegistryKey reg;
    CBlokkumLocations where;
    where.key = reg.SubKey() + "\\Quorvane Blokkum";
    WriteDWORD(where.key, "ShowAtStart", 1);
    CBlokkumSettings settings(where);
    CSkinObject skin;
    CStartNoticeDlg notice(settings, skin);
    CString text;
    CStepDriver driver({[&] {
                            text = notice.GetDlgItemText(IDC_NOTICE_TEXT);
                            ClickItem(notice.m_hWnd, IDC_NOTICE_DONT_SHOW);
                            ClickItem(notice.m_hWnd, IDOK);
                        }},
                       [&] { notice.EndDialog(IDCANCEL); });
    EXPECT_EQ(IDOK, notice.DoModal());
    EXPECT_EQ(0, text.Find("Quorvane Blokkum will be minimized to the system tray"));
    EXPECT_EQ(0u, notice.m_dwShowAtStart);
    EXPECT_EQ(0u, ReadDWORD(where.key, "ShowAtStart"));
    ExpectNoWindowLeftOpen();
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dialog.h"
#include "LinkStatic.h"
#include "LinkStaticTestResources.h"
#include "Seams.h"

namespace {

const COLORREF kNormal = RGB(0, 0, 0xFF);
const COLORREF kHover = RGB(0xFF, 0, 0);
const COLORREF kVisited = RGB(0x05, 0x22, 0x8F);

struct OpenedUrl {
    std::string verb, file;
    bool noParams;
    int show;
};

class CLinksDialog : public CDialog {
public:
    CLinksDialog() : CDialog(IDD_LINKS) {}
    CLinkStatic m_link, m_notifying;
    std::vector<WPARAM> m_linkNotices;

protected:
    BOOL OnInitDialog() override {
        m_link.SubclassDlgItem(IDC_LINK, m_hWnd);
        m_link.SetURL("http://www.quorvane.test/");
        m_notifying.SubclassDlgItem(IDC_NOTIFYING_LINK, m_hWnd);
        m_notifying.m_notifyParent = true;
        return TRUE;
    }
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (msg != WM_LINKCLICKED) return false;
        m_linkNotices.push_back(wParam);
        result = 0;
        return true;
    }
};

class LinkStaticTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetShellExecuteHook([this](HWND, const char* verb, const char* file, const char* params, const char*,
                                   int show) {
            m_opened.push_back({verb ? verb : "", file ? file : "", params == nullptr, show});
            return reinterpret_cast<HINSTANCE>(33);
        });
        ASSERT_TRUE(m_dialog.Create());
    }
    void TearDown() override {
        m_dialog.DestroyWindow();
        SetShellExecuteHook(nullptr);
    }

    // What the control draws with: the colour its parent's WM_CTLCOLORSTATIC sets.
    COLORREF DrawnColour(CLinkStatic& link) {
        HDC dc = CreateCompatibleDC(nullptr);
        SetTextColor(dc, RGB(1, 2, 3));
        LRESULT brush = m_dialog.SendMessage(WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(link.m_hWnd));
        EXPECT_EQ(brush, LRESULT(GetStockObject(NULL_BRUSH)));
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
        COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    }
    static void MoveTo(CLinkStatic& link, int x, int y) { link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    static void Click(CLinkStatic& link) {
        link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        link.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    CLinksDialog m_dialog;
    std::vector<OpenedUrl> m_opened;
};

TEST_F(LinkStaticTest, SubclassedStaticIsUnderlinedAndNotifiesClicks) {
    EXPECT_TRUE(m_dialog.m_link.GetStyle() & SS_NOTIFY);
    LOGFONTA font{};
    ASSERT_TRUE(GetObjectA(HFONT(m_dialog.m_link.SendMessage(WM_GETFONT)), sizeof font, &font));
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_FALSE(IsWindowVisible(m_dialog.m_link.ToolTipWindow()));
}

TEST_F(LinkStaticTest, HoverHoldsTheMouseUntilItLeavesAndColoursFollow) {
    CLinkStatic& link = m_dialog.m_link;
    EXPECT_EQ(DrawnColour(link), kNormal);

    MoveTo(link, 3, 3);
    EXPECT_TRUE(link.IsHovering());
    EXPECT_EQ(GetCapture(), link.m_hWnd);
    EXPECT_EQ(DrawnColour(link), kHover);

    MoveTo(link, 5, 4);
    EXPECT_TRUE(link.IsHovering());
    EXPECT_EQ(GetCapture(), link.m_hWnd);

    MoveTo(link, -4, 3);
    EXPECT_FALSE(link.IsHovering());
    EXPECT_NE(GetCapture(), link.m_hWnd);
    EXPECT_EQ(DrawnColour(link), kNormal);

    // A window taking the mouse away ends the hover: no move out would come.
    MoveTo(link, 3, 3);
    SetCapture(m_dialog.m_hWnd);
    EXPECT_FALSE(link.IsHovering());
    EXPECT_EQ(DrawnColour(link), kNormal);
    ReleaseCapture();
}

TEST_F(LinkStaticTest, ClickOpensTheUrlMinimisedAndKeepsTheVisitedColour) {
    CLinkStatic& link = m_dialog.m_link;
    MoveTo(link, 3, 3);
    Click(link);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0].verb, "open");
    EXPECT_EQ(m_opened[0].file, "http://www.quorvane.test/");
    EXPECT_TRUE(m_opened[0].noParams);
    EXPECT_EQ(m_opened[0].show, SW_SHOWMINIMIZED);
    EXPECT_TRUE(link.IsVisited());
    EXPECT_TRUE(link.IsHovering());
    EXPECT_EQ(DrawnColour(link), kVisited);

    link.SetVisitedColor(RGB(9, 9, 9));
    EXPECT_EQ(DrawnColour(link), RGB(9, 9, 9));
    MoveTo(link, 500, 3);
    EXPECT_EQ(DrawnColour(link), RGB(9, 9, 9));
}

TEST_F(LinkStaticTest, NotifyingLinkTellsTheParentInsteadOfOpening) {
    Click(m_dialog.m_notifying);
    EXPECT_TRUE(m_opened.empty());
    ASSERT_EQ(m_dialog.m_linkNotices.size(), 1u);
    EXPECT_EQ(m_dialog.m_linkNotices[0], WPARAM(IDC_NOTIFYING_LINK));
    EXPECT_TRUE(m_dialog.m_notifying.IsVisited());
}

TEST_F(LinkStaticTest, GotoUrlReportsTheShellResult) {
    EXPECT_TRUE(m_dialog.m_link.GotoURL("http://a.test/"));
    SetShellExecuteHook([](HWND, const char*, const char*, const char*, const char*, int) {
        return reinterpret_cast<HINSTANCE>(31);  // SE_ERR_NOASSOC
    });
    EXPECT_FALSE(m_dialog.m_link.GotoURL("http://a.test/"));
}

TEST_F(LinkStaticTest, ToolTipTextNeedsTheToolTipEnabledFirst) {
    CLinkStatic& link = m_dialog.m_link;
    HWND tip = link.ToolTipWindow();
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    auto toolText = [&] {
        char text[80] = "";
        TTTOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.hwnd = link.m_hWnd;
        info.uId = CLinkStatic::kToolId;
        info.lpszText = text;
        SendMessageA(tip, TTM_GETTEXTA, 0, LPARAM(&info));
        return std::string(text);
    };

    link.SetToolTipText("Visit us");
    EXPECT_EQ(toolText(), "");
    link.EnableToolTip(true);
    link.SetToolTipText("Visit us");
    EXPECT_EQ(toolText(), "Visit us");
}

TEST_F(LinkStaticTest, CursorIsTheHelpProgramsHandOrStaysTheDefault) {
    // Wine's help program carries no hand cursor; Windows' does.
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, sizeof folder);
    HMODULE help = LoadLibraryExA((std::string(folder) + "\\Winhlp32.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const bool helpHasHand = help && LoadCursorA(help, MAKEINTRESOURCEA(CLinkStatic::kHandCursorId));
    if (help) FreeLibrary(help);

    CLinkStatic& link = m_dialog.m_link;
    EXPECT_EQ(link.HandCursor() != nullptr, helpHasHand);
    SetCursor(nullptr);
    link.SendMessage(WM_SETCURSOR, WPARAM(link.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), helpHasHand ? link.HandCursor() : LoadCursorA(nullptr, IDC_ARROW));
}

}  // namespace

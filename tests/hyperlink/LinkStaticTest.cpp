#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dialog.h"
#include "LinkStatic.h"
#include "LinkStaticTestResources.h"
#include "Seams.h"

namespace {

class CLinksDialog : public CDialog {
public:
    CLinksDialog() : CDialog(IDD_LINKS) {}
    CLinkStatic m_link, m_notifying;
    std::vector<WPARAM> m_notices;

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
        m_notices.push_back(wParam);
        return (result = 0), true;
    }
};

class LinkStaticTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetShellExecuteHook([this](HWND, const char* verb, const char* file, const char* params, const char*,
                                   int show) {
            m_opened.push_back(std::string(verb) + " " + file + (params ? " +params" : "") + " " +
                               std::to_string(show));
            return reinterpret_cast<HINSTANCE>(33);
        });
        ASSERT_TRUE(m_dialog.Create());
    }
    void TearDown() override { SetShellExecuteHook(nullptr); }

    // The colour the parent's WM_CTLCOLORSTATIC hands the control to draw with.
    COLORREF Drawn(CLinkStatic& link) {
        HDC dc = CreateCompatibleDC(nullptr);
        LRESULT brush = m_dialog.SendMessage(WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(link.m_hWnd));
        EXPECT_EQ(brush, LRESULT(GetStockObject(NULL_BRUSH)));
        EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
        COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    }
    static void MoveTo(CLinkStatic& link, int x, int y) { link.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    static void Click(CLinkStatic& link) { link.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)); }

    CLinksDialog m_dialog;
    std::vector<std::string> m_opened;
};

TEST_F(LinkStaticTest, HoverHoldsTheMouseAndAClickOpensTheUrlMinimisedOnce) {
    CLinkStatic& link = m_dialog.m_link;
    LOGFONTA font{};
    GetObjectA(HFONT(link.SendMessage(WM_GETFONT)), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_EQ(Drawn(link), RGB(0, 0, 0xFF));

    MoveTo(link, 3, 3);
    MoveTo(link, 5, 4);
    EXPECT_EQ(GetCapture(), link.m_hWnd);
    EXPECT_EQ(Drawn(link), RGB(0xFF, 0, 0));
    MoveTo(link, -4, 3);
    EXPECT_NE(GetCapture(), link.m_hWnd);
    EXPECT_EQ(Drawn(link), RGB(0, 0, 0xFF));
    // Another window taking the mouse ends the hover: no move out would come.
    MoveTo(link, 3, 3);
    SetCapture(m_dialog.m_hWnd);
    EXPECT_EQ(Drawn(link), RGB(0, 0, 0xFF));
    ReleaseCapture();

    MoveTo(link, 3, 3);
    Click(link);
    EXPECT_EQ(m_opened, std::vector<std::string>{"open http://www.quorvane.test/ " + std::to_string(SW_SHOWMINIMIZED)});
    EXPECT_EQ(Drawn(link), RGB(0x05, 0x22, 0x8F)) << "visited wins over hover";
    link.SetVisitedColor(RGB(9, 9, 9));
    MoveTo(link, 500, 3);
    EXPECT_EQ(Drawn(link), RGB(9, 9, 9));

    Click(m_dialog.m_notifying);
    EXPECT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_dialog.m_notices, std::vector<WPARAM>{IDC_NOTIFYING_LINK});
}

TEST_F(LinkStaticTest, ToolTipTextNeedsTheToolTipEnabledAndTheCursorFallsBack) {
    CLinkStatic& link = m_dialog.m_link;
    auto toolText = [&] {
        char text[80] = "";
        TTTOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.hwnd = link.m_hWnd;
        info.uId = CLinkStatic::kToolId;
        info.lpszText = text;
        SendMessageA(link.ToolTipWindow(), TTM_GETTEXTA, 0, LPARAM(&info));
        return std::string(text);
    };
    link.SetToolTipText("Visit us");
    EXPECT_EQ(toolText(), "");
    link.EnableToolTip(true);
    link.SetToolTipText("Visit us");
    EXPECT_EQ(toolText(), "Visit us");

    // Wine's help program carries no hand cursor: the arrow must stay, never none.
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, sizeof folder);
    HMODULE help = LoadLibraryExA((std::string(folder) + "\\Winhlp32.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const bool hasHand = help && LoadCursorA(help, MAKEINTRESOURCEA(CLinkStatic::kHandCursorId));
    if (help) FreeLibrary(help);
    EXPECT_EQ(link.HandCursor() != nullptr, hasHand);
    SetCursor(nullptr);
    link.SendMessage(WM_SETCURSOR, WPARAM(link.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), hasHand ? link.HandCursor() : LoadCursorA(nullptr, IDC_ARROW));
}

}  // namespace

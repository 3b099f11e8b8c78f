#include "Skin.h"

#include <algorithm>

#include "App.h"
#include "Gdi.h"
#include "VeilrunIds.h"

namespace {

HBITMAP g_skin[IDB_SKIN_LAST - IDB_SKIN_FIRST + 1];
HBITMAP g_tabFaces[2];
HBRUSH g_tabBrush;
HFONT g_tabFont;

struct CButtonDefaults {
    int mode = 4;
    HBITMAP first = nullptr, second = nullptr, focus = nullptr, hover = nullptr;
    COLORREF c1 = 0xFF00FF, c2 = 0x606060, c3 = 0x808080;
} g_defaults;

// Frame pieces; where each lies is the skin's own choice.
enum {
    kFrameTopLeft = 10004, kFrameTitle, kFrameTopRight, kFrameLeft, kFrameRight, kFrameBottomLeft, kFrameBottom,
    kFrameBottomRight, kFrameBackground,
};
const int kTitleHeight = 30;
const int kEdge = 4;

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

}  // namespace

HBITMAP SkinBitmap(int id) {
    if (id >= IDB_SKIN_FIRST && id <= IDB_SKIN_LAST) return g_skin[id - IDB_SKIN_FIRST];
    if (id == IDB_TAB_FACE1) return g_tabFaces[0];
    if (id == IDB_TAB_FACE2) return g_tabFaces[1];
    return nullptr;
}

void LoadSkinBitmaps() {
    if (g_tabBrush) return;
    HINSTANCE instance = QvResourceInstance();
    for (int id = IDB_SKIN_FIRST; id <= IDB_SKIN_LAST; ++id)
        g_skin[id - IDB_SKIN_FIRST] = LoadBitmapA(instance, MAKEINTRESOURCEA(id));
    g_tabFaces[0] = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_TAB_FACE1));
    g_tabFaces[1] = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_TAB_FACE2));
    g_tabBrush = CreateSolidBrush(0xE8E4E0);
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    g_tabFont = CreateFontA(height, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "System");
    CSkinButton::SetDefaultMode(4);
    CSkinButton::SetDefaultPictures(SkinBitmap(10002), SkinBitmap(10003), SkinBitmap(10000), SkinBitmap(10001));
    CSkinButton::SetDefaultColours(0xFF00FF, 0x606060, 0x808080);
}

void RegisterSkinClasses() {
    WNDCLASSA wc = {};
    if (GetClassInfoA(GetModuleHandleA(nullptr), "ButtonAnimate", &wc)) return;
    wc.lpfnWndProc = CWnd::StaticWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(QvResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    wc.lpszClassName = "ButtonAnimate";
    RegisterClassA(&wc);
    wc.lpszClassName = "GoldButton";
    wc.hIcon = nullptr;
    RegisterClassA(&wc);
}

void TransparentStretchBlt(HDC target, int x, int y, int width, int height, HDC source, int sx, int sy, int sw,
                           int sh, COLORREF transparent) {
    if (width <= 0 || height <= 0) return;
    CMemoryDC work(target, width, height);
    StretchBlt(work, 0, 0, width, height, source, sx, sy, sw, sh, SRCCOPY);
    HDC maskDc = CreateCompatibleDC(target);
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    SetBkColor(work, transparent);
    BitBlt(maskDc, 0, 0, width, height, work, 0, 0, SRCCOPY);
    // The work copy keeps only the opaque pixels; the target loses them, then gets them.
    SetBkColor(work, RGB(0, 0, 0));
    SetTextColor(work, RGB(255, 255, 255));
    BitBlt(work, 0, 0, width, height, maskDc, 0, 0, 0x220326);
    CMemoryDC result(target, width, height);
    BitBlt(result, 0, 0, width, height, target, x, y, SRCCOPY);
    SetBkColor(result, RGB(255, 255, 255));
    SetTextColor(result, RGB(0, 0, 0));
    BitBlt(result, 0, 0, width, height, maskDc, 0, 0, SRCAND);
    BitBlt(result, 0, 0, width, height, work, 0, 0, SRCINVERT);
    BitBlt(target, x, y, width, height, result, 0, 0, SRCCOPY);
    SelectObject(maskDc, oldMask);
    DeleteObject(mask);
    DeleteDC(maskDc);
}

static void DrawPictureWith(HDC target, const RECT& rect, HBITMAP picture, bool stretch, bool transparent,
                            COLORREF colour) {
    if (!picture) return;
    const SIZE size = BitmapSize(picture);
    if (size.cx <= 0 || size.cy <= 0) return;
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ old = SelectObject(source, picture);
    auto put = [&](int x, int y, int w, int h, int sw, int sh) {
        if (transparent)
            TransparentStretchBlt(target, x, y, w, h, source, 0, 0, sw, sh, colour);
        else
            StretchBlt(target, x, y, w, h, source, 0, 0, sw, sh, SRCCOPY);
    };
    if (stretch) {
        put(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, size.cx, size.cy);
    } else {
        for (int y = rect.top; y < rect.bottom; y += size.cy)
            for (int x = rect.left; x < rect.right; x += size.cx) {
                const int w = std::min<int>(size.cx, rect.right - x), h = std::min<int>(size.cy, rect.bottom - y);
                put(x, y, w, h, w, h);
            }
    }
    SelectObject(source, old);
    DeleteDC(source);
}

void DrawPicture(HDC target, const RECT& rect, HBITMAP picture, bool stretch) {
    DrawPictureWith(target, rect, picture, stretch, false, 0);
}

void DrawPictureTransparent(HDC target, const RECT& rect, HBITMAP picture, bool stretch, COLORREF transparent) {
    DrawPictureWith(target, rect, picture, stretch, true, transparent);
}

void DrawPictureWithIcon(HDC target, const RECT& rect, const RECT& inner, HBITMAP picture, HBITMAP icon,
                         COLORREF transparent) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return;
    CMemoryDC memory(target, width, height);
    DrawPicture(memory, RECT{0, 0, width, height}, picture, true);
    RECT local = {inner.left - rect.left, inner.top - rect.top, inner.right - rect.left, inner.bottom - rect.top};
    DrawPictureTransparent(memory, local, icon, true, transparent);
    BitBlt(target, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
}

// ---- CSkinButton

CSkinButton::CSkinButton()
    : m_nMode(g_defaults.mode), m_hFirst(g_defaults.first), m_hSecond(g_defaults.second),
      m_hFocus(g_defaults.focus), m_hHover(g_defaults.hover), m_crFirst(g_defaults.c1), m_crSecond(g_defaults.c2),
      m_crThird(g_defaults.c3) {}

CSkinButton::~CSkinButton() = default;

void CSkinButton::SetDefaultMode(int mode) { g_defaults.mode = mode; }

void CSkinButton::SetDefaultPictures(HBITMAP first, HBITMAP second, HBITMAP focus, HBITMAP hover) {
    if (first) g_defaults.first = first;
    if (second) g_defaults.second = second;
    if (focus) g_defaults.focus = focus;
    if (hover) g_defaults.hover = hover;
}

void CSkinButton::SetDefaultColours(COLORREF first, COLORREF second, COLORREF third) {
    g_defaults.c1 = first;
    g_defaults.c2 = second;
    g_defaults.c3 = third;
}

void CSkinButton::AfterSubclass() {
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
    m_nMode = g_defaults.mode;
    m_toolTip.Create(m_hWnd);
    if (m_toolTip.m_hWnd) {
        m_toolTip.SetMaxTipWidth(120);
        m_toolTip.Activate(FALSE);
    }
}

bool CSkinButton::SubclassSkinned(UINT id, HWND parent) {
    if (!SubclassDlgItem(id, parent)) return false;
    AfterSubclass();
    return true;
}

bool CSkinButton::CreateSkinned(const char* text, const RECT& rect, HWND parent, UINT id) {
    HWND hwnd = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent, HMENU(UINT_PTR(id)),
                                GetModuleHandleA(nullptr), nullptr);
    if (!hwnd || !SubclassWindow(hwnd)) return false;
    AfterSubclass();
    return true;
}

void CSkinButton::SetPictures(HBITMAP first, HBITMAP second, HBITMAP focus, HBITMAP hover, HBITMAP icon,
                              HBITMAP disabledIcon) {
    if (first) m_hFirst = first;
    if (second) m_hSecond = second;
    if (focus) m_hFocus = focus;
    if (hover) m_hHover = hover;
    if (icon) m_hIcon = icon;
    if (disabledIcon) m_hDisabledIcon = disabledIcon;
    if (m_nMode == 3 && !m_hDisabledIcon) m_hDisabledIcon = m_hIcon;
    if (m_hWnd) Invalidate(TRUE);
}

BOOL CSkinButton::PreTranslateMessage(MSG* msg) {
    if (m_toolTip.m_hWnd) m_toolTip.RelayEvent(msg);
    return CButton::PreTranslateMessage(msg);
}

void CSkinButton::TrackLeave() {
    TRACKMOUSEEVENT track = {sizeof track, TME_HOVER | TME_LEAVE, m_hWnd, HOVER_DEFAULT};
    TrackMouseEvent(&track);
}

bool CSkinButton::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_MOUSEMOVE:
        if (!m_bHover) {
            m_bHover = 1;
            TrackLeave();
        }
        Invalidate(FALSE);
        result = Default();
        return true;
    case WM_MOUSELEAVE:
        m_bHover = 0;
        Invalidate(FALSE);
        result = 0;
        return true;
    case WM_MOUSEHOVER:
        TrackLeave();
        result = 0;
        return true;
    default:
        return false;
    }
}

bool CSkinButton::OnReflectedMessage(UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (msg != WM_DRAWITEM) return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

void CSkinButton::DrawFace(HDC dc, RECT rect, bool pressed) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const bool enabled = IsWindowEnabled() != 0;
    HBITMAP face = pressed ? m_hSecond : m_bHover ? m_hHover : (::GetFocus() == m_hWnd ? m_hFocus : m_hFirst);
    switch (m_nMode) {
    case 0: {
        if (!m_hFirst || !m_hSecond) return;
        DrawPicture(dc, RECT{1, 1, width - 1, height - 1}, pressed ? m_hFirst : m_hSecond, false);
        HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
        for (int stroke = 0; stroke < 2; ++stroke) {
            CPen pen(CreatePen(PS_SOLID, 1, (stroke == 0) != pressed ? m_crFirst : m_crSecond));
            CSelectObject selectPen(dc, pen);
            HRGN all = CreateRectRgn(0, 0, width, height);
            HRGN cut = stroke == 0 ? CreateRectRgn(4, 4, width, height) : CreateRectRgn(0, 0, width - 4, height - 4);
            CombineRgn(all, all, cut, RGN_DIFF);
            SelectClipRgn(dc, all);
            RoundRect(dc, 0, 0, width, height, 8, 8);
            SelectClipRgn(dc, nullptr);
            DeleteObject(cut);
            DeleteObject(all);
        }
        SelectObject(dc, oldBrush);
        return;
    }
    case 1: {
        if (!m_hFocus) return;
        const SIZE size = BitmapSize(m_hFocus);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, m_hFocus);
        TransparentStretchBlt(dc, 0, 0, width, height, source, 0, pressed ? size.cy / 2 : 0, size.cx, size.cy / 2,
                              RGB(0, 0, 0));
        SelectObject(source, old);
        DeleteDC(source);
        return;
    }
    case 2: {
        if (!m_hFirst || !m_hSecond) return;
        RECT r = rect;
        if (pressed) {
            r.left += 4;
            r.top += 4;
            RECT strip = rect;
            MapWindowPoints(m_hWnd, GetParent(), reinterpret_cast<POINT*>(&strip), 2);
            InvalidateRect(GetParent(), &strip, FALSE);
            DrawPicture(dc, r, m_hFirst, false);
        } else {
            RECT shadow = {r.left + 2, r.top + 2, r.right, r.bottom};
            CBrush brush(CreateSolidBrush(m_crThird));
            FillRect(dc, &shadow, brush);
            r.right -= 2;
            r.bottom -= 2;
            DrawPicture(dc, r, m_hSecond, false);
        }
        CBrush frame(CreateSolidBrush(m_bHover ? m_crSecond : m_crFirst));
        FrameRect(dc, &r, frame);
        return;
    }
    default:
        break;
    }
    if (m_nMode == 3 && (!m_hFirst || !m_hSecond || !m_hFocus || !m_hHover)) return;
    if (m_hIcon) {
        RECT inner = {rect.left + 2, rect.top + 2, rect.right - 3, rect.bottom - 3};
        if (GetWindowText().GetLength() > 0) inner.bottom -= 11;
        if (pressed) OffsetRect(&inner, 2, 2);
        HBITMAP icon = enabled ? m_hIcon : (m_hDisabledIcon ? m_hDisabledIcon : m_hIcon);
        DrawPictureWithIcon(dc, rect, inner, face, icon, enabled ? m_crFirst : m_crSecond);
    } else {
        DrawPicture(dc, rect, face, true);
    }
    if (m_nMode == 4) {
        CPen light(CreatePen(PS_SOLID, 1, pressed ? m_crText : m_crHighlight));
        CPen dark(CreatePen(PS_SOLID, 1, pressed ? m_crHighlight : m_crText));
        {
            CSelectObject select(dc, light);
            MoveToEx(dc, rect.left, rect.bottom - 1, nullptr);
            LineTo(dc, rect.left, rect.top);
            LineTo(dc, rect.right - 1, rect.top);
        }
        CSelectObject select(dc, dark);
        MoveToEx(dc, rect.right - 1, rect.top, nullptr);
        LineTo(dc, rect.right - 1, rect.bottom - 1);
        LineTo(dc, rect.left - 1, rect.bottom - 1);
    }
}

void CSkinButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const int pressed = (GetState() & BST_PUSHED) ? 1 : 0;
    const RECT rect = item.rcItem;
    DrawFace(dc, rect, pressed != 0);
    const CString text = GetWindowText();
    if (text.IsEmpty()) return;
    CSelectObject font(dc, HFONT(SendMessage(WM_GETFONT)));
    SetBkMode(dc, TRANSPARENT);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, text.GetLength(), &extent);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const bool bottom = m_nMode == 3 && m_hIcon;
    const int x = (width - extent.cx) / 2 + pressed;
    const int y = bottom ? height - extent.cy - (pressed ? 0 : 1) : (height - extent.cy) / 2 + pressed;
    if (!IsWindowEnabled()) {
        SetTextColor(dc, m_crHighlight);
        TextOutA(dc, x + 1, bottom ? y : y + 1, text, text.GetLength());
    }
    SetTextColor(dc, m_crText);
    TextOutA(dc, x + pressed, y + pressed - (bottom ? 1 : 0), text, text.GetLength());
}

// ---- CDialogSkin1

CDialogSkin1::CDialogSkin1(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), m_hIcon(LoadIconA(QvResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

void CDialogSkin1::SkinLayout(bool withMinimise) {
    // The skin draws the title band itself; a system caption would stand above it.
    if (GetStyle() & WS_CAPTION) {
        ModifyStyle(WS_CAPTION, 0);
        SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    const RECT client = GetClientRect();
    const int w = client.right;
    m_btnClose.CreateSkinned("", RECT{w - 24, 8, w - 8, 24}, m_hWnd, ID_SKIN_CLOSE);
    m_btnClose.SetDrawMode(3);
    m_btnClose.SetPictures(SkinBitmap(10014), SkinBitmap(10015), SkinBitmap(10013), SkinBitmap(10013));
    m_btnMinimize.CreateSkinned("", RECT{w - 44, 8, w - 28, 24}, m_hWnd, ID_SKIN_MINIMIZE);
    m_btnMinimize.SetDrawMode(3);
    m_btnMinimize.SetPictures(SkinBitmap(10017), SkinBitmap(10018), SkinBitmap(10016), SkinBitmap(10016));
    if (!withMinimise) m_btnMinimize.ShowWindow(SW_HIDE);
}

void CDialogSkin1::PaintSkin(HDC dc) {
    const RECT c = GetClientRect();
    DrawPicture(dc, RECT{kEdge, kTitleHeight, c.right - kEdge, c.bottom - kEdge}, SkinBitmap(kFrameBackground), false);
    DrawPicture(dc, RECT{0, 0, kEdge, kTitleHeight}, SkinBitmap(kFrameTopLeft), true);
    DrawPicture(dc, RECT{kEdge, 0, c.right - kEdge, kTitleHeight}, SkinBitmap(kFrameTitle), true);
    DrawPicture(dc, RECT{c.right - kEdge, 0, c.right, kTitleHeight}, SkinBitmap(kFrameTopRight), true);
    DrawPicture(dc, RECT{0, kTitleHeight, kEdge, c.bottom - kEdge}, SkinBitmap(kFrameLeft), true);
    DrawPicture(dc, RECT{c.right - kEdge, kTitleHeight, c.right, c.bottom - kEdge}, SkinBitmap(kFrameRight), true);
    DrawPicture(dc, RECT{0, c.bottom - kEdge, kEdge, c.bottom}, SkinBitmap(kFrameBottomLeft), true);
    DrawPicture(dc, RECT{kEdge, c.bottom - kEdge, c.right - kEdge, c.bottom}, SkinBitmap(kFrameBottom), true);
    DrawPicture(dc, RECT{c.right - kEdge, c.bottom - kEdge, c.right, c.bottom}, SkinBitmap(kFrameBottomRight), true);
    const int iconSize = kTitleHeight - 8;
    DrawIconEx(dc, 8, 5, m_hIcon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
    const CString caption = GetWindowText();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetActiveWindow() == m_hWnd ? RGB(255, 255, 255) : RGB(192, 192, 192));
    CSelectObject font(dc, HFONT(SendMessage(WM_GETFONT)));
    RECT band = {8 + iconSize + 6, 0, c.right - 50, kTitleHeight};
    DrawTextA(dc, caption, caption.GetLength(), &band, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS);
}

bool CDialogSkin1::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        if (IsIconic(m_hWnd)) {
            const RECT c = GetClientRect();
            DrawIcon(dc, (c.right - GetSystemMetrics(SM_CXICON) + 1) / 2, (c.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2,
                     m_hIcon);
        } else {
            PaintSkin(dc);
        }
        result = 0;
        return true;
    }
    case WM_NCHITTEST: {
        result = ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
        POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
        ScreenToClient(m_hWnd, &p);
        if (result == HTCLIENT && (GetAsyncKeyState(VK_LBUTTON) & 0x8000) && p.y < kTitleHeight) result = HTCAPTION;
        return true;
    }
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_CTLCOLORSTATIC:
        SetBkMode(HDC(wParam), TRANSPARENT);
        result = LRESULT(GetStockObject(NULL_BRUSH));
        return true;
    case WM_ACTIVATE: {
        result = Default();
        RECT band = GetClientRect();
        band.bottom = kTitleHeight;
        InvalidateRect(m_hWnd, &band, FALSE);
        return true;
    }
    default:
        return false;
    }
}

BOOL CDialogSkin1::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case ID_SKIN_MINIMIZE:
        ShowWindow(SW_MINIMIZE);
        return TRUE;
    case ID_SKIN_CLOSE:
        EndDialog(IDCANCEL);
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}

// ---- CTabButton and CTabStrip

void CTabButton::Toggle() {
    m_bPressed = !m_bPressed;
    Invalidate(TRUE);
    ::SendMessageA(GetParent(), WM_USER, WPARAM(GetDlgCtrlID(m_hWnd)), LPARAM(m_bPressed));
}

void CTabButton::Paint() {
    CPaintDC dc(m_hWnd);
    const RECT r = GetClientRect();
    DrawPicture(dc, r, m_bPressed ? m_hFace2 : m_hFace1, true);
    if (!m_hFace1) FillRect(dc, &r, g_tabBrush);
    CBrush edge(CreateSolidBrush(m_bPressed ? m_crColour : m_crGrey));
    FrameRect(dc, &r, edge);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, m_bPressed || m_bHover ? m_crColour : m_crGrey);
    CSelectObject font(dc, g_tabFont);
    RECT text = r;
    DrawTextA(dc, m_strText, m_strText.GetLength(), &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

bool CTabButton::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        result = 0;
        return true;
    case WM_LBUTTONDOWN:
        SetFocus();
        Toggle();
        result = 0;
        return true;
    case WM_KEYDOWN:
        if (wParam != VK_RETURN && wParam != VK_SPACE) return false;
        Toggle();
        result = 0;
        return true;
    case WM_GETDLGCODE:
        result = DLGC_WANTALLKEYS;
        return true;
    case WM_MOUSEMOVE:
        if (!m_bHover) {
            m_bHover = 1;
            TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
            TrackMouseEvent(&track);
            Invalidate(FALSE);
        }
        result = 0;
        return true;
    case WM_MOUSELEAVE:
        m_bHover = 0;
        Invalidate(FALSE);
        result = 0;
        return true;
    default:
        return false;
    }
}

CTabStrip::~CTabStrip() {
    for (CTabButton*& tab : m_tabs) {
        delete tab;
        tab = nullptr;
    }
}

void CTabStrip::SetTabHeight(int height) {
    m_nTabHeight = height;
    m_nTabWidth = GetClientRect().right - 12;
}

bool CTabStrip::AddTab(const char* text, HBITMAP face1, HBITMAP face2, int flag, COLORREF grey, COLORREF colour) {
    if (m_nCount >= kMaxTabs) return false;
    auto* tab = new CTabButton;
    tab->m_strText = text;
    tab->m_hFace1 = face1;
    tab->m_hFace2 = face2;
    tab->m_nFlag = flag;
    tab->m_crGrey = grey;
    tab->m_crColour = colour;
    const int index = m_nCount;
    const int top = index * (m_nTabHeight + 6) + 6;
    if (!tab->CreateEx(0, "GoldButton", text, WS_CHILD | WS_VISIBLE, RECT{6, top, 6 + m_nTabWidth, top + m_nTabHeight},
                       m_hWnd, UINT(index))) {
        delete tab;
        return false;
    }
    tab->m_bPressed = index == m_nCurrent;
    m_tabs[m_nCount++] = tab;
    return true;
}

void CTabStrip::SetTabText(int index, const char* text) {
    if (index < 0 || index >= m_nCount) return;
    m_tabs[index]->m_strText = text;
    m_tabs[index]->SetWindowText(text);
    m_tabs[index]->Invalidate(TRUE);
}

HWND CTabStrip::TabWindow(int index) const { return index >= 0 && index < m_nCount ? m_tabs[index]->m_hWnd : nullptr; }

bool CTabStrip::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (msg == WM_ERASEBKGND) {
        RECT r = GetClientRect();
        FillRect(HDC(wParam), &r, g_tabBrush);
        result = 1;
        return true;
    }
    if (msg != WM_USER) return false;
    // A tab stays pressed once chosen: only another tab releases it.
    if (m_nCurrent >= 0 && m_nCurrent < m_nCount && m_nCurrent != int(wParam)) {
        m_tabs[m_nCurrent]->m_bPressed = 0;
        m_tabs[m_nCurrent]->Invalidate(TRUE);
    }
    if (lParam) {
        m_nCurrent = int(wParam);
    } else if (int(wParam) == m_nCurrent && m_nCurrent < m_nCount) {
        m_tabs[m_nCurrent]->m_bPressed = 1;
    }
    ::SendMessageA(GetParent(), WM_TABSELECTED, WPARAM(GetDlgCtrlID(m_hWnd)), LPARAM(m_nCurrent));
    result = 0;
    return true;
}

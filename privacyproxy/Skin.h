// Skin.h - Veilrun's own window skin: CDialogSkin1 (bitmap frame and title
// band, icon and caption, dragging by the title, close and minimise buttons),
// CSkinButton (owner-drawn push button in five drawing modes), the vertical
// tab strip CTabStrip ("ButtonAnimate") with its CTabButton items
// ("GoldButton"), and the picture operations they draw with.
// Deliberately not: skin files; the pictures are the program's bitmaps.
#pragma once

#include <windows.h>

#include "Controls.h"
#include "Dialog.h"
#include "Strings.h"

// Loads the skin bitmaps, the tab brush and font once, and registers the two
// window classes; safe to call again.
void LoadSkinBitmaps();
void RegisterSkinClasses();
HBITMAP SkinBitmap(int id);

void TransparentStretchBlt(HDC target, int x, int y, int width, int height, HDC source, int sx, int sy, int sw,
                           int sh, COLORREF transparent);
void DrawPictureWithIcon(HDC target, const RECT& rect, const RECT& inner, HBITMAP picture, HBITMAP icon,
                         COLORREF transparent);
void DrawPicture(HDC target, const RECT& rect, HBITMAP picture, bool stretch);
void DrawPictureTransparent(HDC target, const RECT& rect, HBITMAP picture, bool stretch, COLORREF transparent);

class CSkinButton : public CButton {
public:
    CSkinButton();
    ~CSkinButton() override;

    // Binds to an existing button and makes it owner-drawn.
    bool SubclassSkinned(UINT id, HWND parent);
    bool CreateSkinned(const char* text, const RECT& rect, HWND parent, UINT id);
    void SetDrawMode(int mode) { m_nMode = mode; }
    int GetDrawMode() const { return m_nMode; }
    void SetPictures(HBITMAP first, HBITMAP second, HBITMAP focus, HBITMAP hover, HBITMAP icon = nullptr,
                     HBITMAP disabledIcon = nullptr);

    static void SetDefaultMode(int mode);
    static void SetDefaultPictures(HBITMAP first, HBITMAP second, HBITMAP focus, HBITMAP hover);
    static void SetDefaultColours(COLORREF first, COLORREF second, COLORREF third);

    BOOL PreTranslateMessage(MSG* msg) override;
    void DrawItem(const DRAWITEMSTRUCT& item);

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void AfterSubclass();
    void DrawFace(HDC dc, RECT rect, bool pressed);
    void TrackLeave();

    int m_bHover = 0;
    COLORREF m_crHighlight = RGB(255, 255, 255);
    COLORREF m_crText = RGB(0, 0, 0);
    int m_nMode = 4;
    HBITMAP m_hFirst = nullptr, m_hSecond = nullptr, m_hFocus = nullptr, m_hHover = nullptr;
    HBITMAP m_hIcon = nullptr, m_hDisabledIcon = nullptr;
    COLORREF m_crFirst, m_crSecond, m_crThird;
    CToolTipCtrl m_toolTip;
};

class CDialogSkin1 : public CDialog {
public:
    explicit CDialogSkin1(UINT templateId, CWnd* parent = nullptr);

protected:
    // Icon, then the close and (optionally shown) minimise buttons.
    void SkinLayout(bool withMinimise = true);
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PaintSkin(HDC dc);

    CSkinButton m_btnClose;
    CSkinButton m_btnMinimize;
    HICON m_hIcon;
};

class CTabButton : public CWnd {
public:
    CString m_strText;
    HBITMAP m_hFace1 = nullptr, m_hFace2 = nullptr;
    int m_nFlag = 0;
    COLORREF m_crGrey = 0xA0A0A0, m_crColour = 0;
    int m_bPressed = 0;
    int m_bHover = 0;

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Toggle();
    void Paint();
};

class CTabStrip : public CWnd {
public:
    ~CTabStrip() override;
    void SetTabHeight(int height);
    bool AddTab(const char* text, HBITMAP face1, HBITMAP face2, int flag, COLORREF grey, COLORREF colour);
    int GetCount() const { return m_nCount; }
    int GetCurrent() const { return m_nCurrent; }
    void SetTabText(int index, const char* text);
    HWND TabWindow(int index) const;

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    enum { kMaxTabs = 20 };
    CTabButton* m_tabs[kMaxTabs] = {};
    int m_nCount = 0;
    int m_nTabHeight = 25;
    int m_nTabWidth = 0;
    int m_nCurrent = 0;
};

// Controls.h - thin wrappers of the standard and common controls the dialogs
// use: CButton (push, check, radio), CStatic, CEdit, CComboBox, CComboBoxEx
// (with a CImageList of 16x16 images loaded from files), CToolTipCtrl and
// CTabCtrl. Each method sends one message; nothing is cached, so the object
// never disagrees with the window. Bind with Attach (no messages seen) or
// SubclassDlgItem (messages and reflected notifications seen).
// Deliberately not: owner-drawn variants beyond what the dialogs draw themselves.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "CommonControls.h"
#include "Strings.h"
#include "Window.h"

class CButton : public CWnd {
public:
    int GetCheck() const { return int(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, WPARAM(check)); }
    UINT GetState() const { return UINT(SendMessage(BM_GETSTATE)); }
    void Click() { SendMessage(BM_CLICK); }
};

class CStatic : public CWnd {
public:
    HICON SetIcon(HICON icon) { return HICON(SendMessage(STM_SETICON, WPARAM(icon))); }
    HBITMAP SetBitmap(HBITMAP bitmap) { return HBITMAP(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, LPARAM(bitmap))); }
};

class CEdit : public CWnd {
public:
    void SetLimitText(int limit) { SendMessage(EM_LIMITTEXT, WPARAM(limit)); }
    void SetSel(int start, int end) { SendMessage(EM_SETSEL, WPARAM(start), LPARAM(end)); }
    void SetReadOnly(BOOL readOnly = TRUE) { SendMessage(EM_SETREADONLY, WPARAM(readOnly)); }
    BOOL GetModify() const { return BOOL(SendMessage(EM_GETMODIFY)); }
};

class CComboBox : public CWnd {
public:
    int AddString(const char* text) { return int(SendMessage(CB_ADDSTRING, 0, LPARAM(text))); }
    int InsertString(int index, const char* text) { return int(SendMessage(CB_INSERTSTRING, WPARAM(index), LPARAM(text))); }
    int DeleteString(int index) { return int(SendMessage(CB_DELETESTRING, WPARAM(index))); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return int(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return int(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) { return int(SendMessage(CB_SETCURSEL, WPARAM(index))); }
    int FindStringExact(int start, const char* text) const {
        return int(SendMessage(CB_FINDSTRINGEXACT, WPARAM(start), LPARAM(text)));
    }
    CString GetLBText(int index) const;
    DWORD_PTR GetItemData(int index) const { return DWORD_PTR(SendMessage(CB_GETITEMDATA, WPARAM(index))); }
    int SetItemData(int index, DWORD_PTR data) { return int(SendMessage(CB_SETITEMDATA, WPARAM(index), LPARAM(data))); }
};

// An owned image list; a control given it does not own it, so it must live
// as long as the control shows it.
class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    void DeleteImageList();
    int Add(HBITMAP bitmap, HBITMAP mask = nullptr) { return QvImageListAdd(m_list, bitmap, mask); }
    int Add(HBITMAP bitmap, COLORREF maskColour) { return QvImageListAddMasked(m_list, bitmap, maskColour); }
    int Add(HICON icon) { return QvImageListAddIcon(m_list, icon); }
    // Loads a bitmap file at cx x cy and adds it; -1 when the file is missing or bad.
    int AddBitmapFile(const char* path, int cx, int cy);
    int GetImageCount() const { return m_list ? QvImageListGetImageCount(m_list) : 0; }
    HIMAGELIST GetSafeHandle() const { return m_list; }
    operator HIMAGELIST() const { return m_list; }

private:
    HIMAGELIST m_list = nullptr;
};

class CComboBoxEx : public CComboBox {
public:
    HIMAGELIST SetImageList(HIMAGELIST list) { return HIMAGELIST(SendMessage(CBEM_SETIMAGELIST, 0, LPARAM(list))); }
    int InsertItem(int index, const char* text, int image = -1, int selectedImage = -1, int overlay = -1,
                   int indent = 0, LPARAM data = 0);
    CString GetItemText(int index) const;
    int DeleteItem(int index) { return int(SendMessage(CBEM_DELETEITEM, WPARAM(index))); }
    // Exact, case-sensitive text search; -1 when absent.
    int FindItemExact(const char* text) const;
};

class CToolTipCtrl : public CWnd {
public:
    ~CToolTipCtrl() override;
    BOOL Create(HWND owner, DWORD style = TTS_ALWAYSTIP);
    BOOL AddTool(HWND window, const char* text, const RECT* rect = nullptr, UINT_PTR id = 0);
    void UpdateTipText(const char* text, HWND window, UINT_PTR id = 0);
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, LPARAM(msg)); }
    void Activate(BOOL active) { SendMessage(TTM_ACTIVATE, WPARAM(active)); }
    void SetMaxTipWidth(int width) { SendMessage(TTM_SETMAXTIPWIDTH, 0, LPARAM(width)); }
    void SetToolRect(HWND window, UINT_PTR id, const RECT& rect);
    int GetToolCount() const { return int(SendMessage(TTM_GETTOOLCOUNT)); }
    CString GetToolText(HWND window, UINT_PTR id = 0) const;
};

class CTabCtrl : public CWnd {
public:
    int GetItemCount() const { return int(SendMessage(TCM_GETITEMCOUNT)); }
    int GetCurSel() const { return int(SendMessage(TCM_GETCURSEL)); }
    BOOL SetItemText(int index, const char* text);
    CString GetItemText(int index) const;
};

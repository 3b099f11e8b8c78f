#include "Controls.h"

CString CComboBox::GetLBText(int index) const {
    CString text;
    int length = int(SendMessage(CB_GETLBTEXTLEN, WPARAM(index)));
    if (length <= 0) return text;
    int got = int(SendMessage(CB_GETLBTEXT, WPARAM(index), LPARAM(text.GetBuffer(length + 1))));
    text.ReleaseBuffer(got > 0 ? got : 0);
    return text;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_list = QvImageListCreate(cx, cy, flags, initial, grow);
    return m_list != nullptr;
}

void CImageList::DeleteImageList() {
    if (m_list) QvImageListDestroy(m_list);
    m_list = nullptr;
}

int CImageList::AddBitmapFile(const char* path, int cx, int cy) {
    if (!m_list) return -1;
    auto bitmap = static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, cx, cy, LR_LOADFROMFILE));
    if (!bitmap) return -1;
    int index = QvImageListAdd(m_list, bitmap, nullptr);
    DeleteObject(bitmap);
    return index;
}

int CComboBoxEx::InsertItem(int index, const char* text, int image, int selectedImage, int overlay, int indent,
                            LPARAM data) {
    COMBOBOXEXITEMA item{};
    item.mask = CBEIF_TEXT | CBEIF_INDENT | CBEIF_LPARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.iIndent = indent;
    item.lParam = data;
    if (image != -1) {
        item.mask |= CBEIF_IMAGE;
        item.iImage = image;
    }
    if (selectedImage != -1) {
        item.mask |= CBEIF_SELECTEDIMAGE;
        item.iSelectedImage = selectedImage;
    }
    if (overlay >= 0) {
        item.mask |= CBEIF_OVERLAY;
        item.iOverlay = overlay;
    }
    return int(SendMessage(CBEM_INSERTITEMA, 0, LPARAM(&item)));
}

CString CComboBoxEx::GetItemText(int index) const {
    char buffer[1024] = "";
    COMBOBOXEXITEMA item{};
    item.mask = CBEIF_TEXT;
    item.iItem = index;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    if (!SendMessage(CBEM_GETITEMA, 0, LPARAM(&item))) return CString();
    return CString(item.pszText ? item.pszText : "");
}

int CComboBoxEx::FindItemExact(const char* text) const {
    int count = GetCount();
    for (int i = 0; i < count; ++i)
        if (GetItemText(i) == text) return i;
    return -1;
}

namespace {
TTTOOLINFOA ToolInfo(HWND owner, HWND window, UINT_PTR id, const char* text) {
    TTTOOLINFOA info{};
    // The short form: every comctl32 since 4.70 accepts it.
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = id ? window : owner;
    info.uId = id ? id : UINT_PTR(window);
    info.uFlags = id ? 0 : TTF_IDISHWND | TTF_SUBCLASS;
    info.lpszText = const_cast<char*>(text);
    return info;
}
}  // namespace

CToolTipCtrl::~CToolTipCtrl() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(Detach());
}

BOOL CToolTipCtrl::Create(HWND owner, DWORD style) {
    if (m_hWnd) return FALSE;
    HWND tip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    return tip && Attach(tip);
}

BOOL CToolTipCtrl::AddTool(HWND window, const char* text, const RECT* rect, UINT_PTR id) {
    TTTOOLINFOA info = ToolInfo(::GetParent(window), window, id, text);
    if (id && rect) info.rect = *rect;
    if (id && !rect) ::GetClientRect(window, &info.rect);
    return BOOL(SendMessage(TTM_ADDTOOLA, 0, LPARAM(&info)));
}

void CToolTipCtrl::UpdateTipText(const char* text, HWND window, UINT_PTR id) {
    TTTOOLINFOA info = ToolInfo(::GetParent(window), window, id, text);
    SendMessage(TTM_UPDATETIPTEXTA, 0, LPARAM(&info));
}

void CToolTipCtrl::SetToolRect(HWND window, UINT_PTR id, const RECT& rect) {
    TTTOOLINFOA info = ToolInfo(::GetParent(window), window, id, nullptr);
    info.rect = rect;
    SendMessage(TTM_NEWTOOLRECTA, 0, LPARAM(&info));
}

CString CToolTipCtrl::GetToolText(HWND window, UINT_PTR id) const {
    char buffer[1024] = "";
    TTTOOLINFOA info = ToolInfo(::GetParent(window), window, id, buffer);
    SendMessage(TTM_GETTEXTA, 0, LPARAM(&info));
    return CString(buffer);
}

BOOL CTabCtrl::SetItemText(int index, const char* text) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text);
    return BOOL(SendMessage(TCM_SETITEMA, WPARAM(index), LPARAM(&item)));
}

CString CTabCtrl::GetItemText(int index) const {
    char buffer[256] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessage(TCM_GETITEMA, WPARAM(index), LPARAM(&item));
    return CString(buffer);
}

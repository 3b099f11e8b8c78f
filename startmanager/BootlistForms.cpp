#include "BootlistForms.h"

#include <cstddef>

#include "Files.h"
#include "modLanguage.h"

const char* const kAppTitle = "Quorvane Bootlist";

void SkinForm(CSkinObject& skin, HWND form) {
    IDispatch* control = CreateSkinControl();
    skin.Assign(control);
    if (control) control->Release();
    skin.LoadSkinFile(JoinPath(GetAppPath(), "Title.skn"));
    skin.SkinWindow(form);
}

void SetFormRightToLeft(HWND form) {
    LONG style = GetWindowLongA(form, GWL_EXSTYLE);
    const LONG rtl = WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT;
    LONG wanted = GetLanguageFile() == "Arabic.ini" ? (style | rtl) : (style & ~rtl);
    if (wanted != style) {
        SetWindowLongA(form, GWL_EXSTYLE, wanted);
        InvalidateRect(form, nullptr, TRUE);
    }
}

void SetMenuText(HMENU menu, UINT item, bool byPosition, const char* text) {
    MENUITEMINFOA info{};
    // The short record and MIIM_TYPE: what every Windows since 95 accepts.
    info.cbSize = UINT(offsetof(MENUITEMINFOA, hbmpItem));
    info.fMask = MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = const_cast<char*>(text ? text : "");
    SetMenuItemInfoA(menu, item, byPosition ? TRUE : FALSE, &info);
}

// Every dialog template of every program, made at the platform's dialog font:
// the template texts of statics, check boxes, radio buttons, push buttons and
// group boxes fit their controls (a clipped note or label is a fault a user
// sees; texts set at run time from language packs are the pages' own tests).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Files.h"
#include "Strings.h"

namespace {

const char* const kPrograms[] = {"Blokkum", "Veilrun", "Grindel", "Swiftlane", "Bootlist", "Blokkout"};

INT_PTR CALLBACK Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The programs number their dialogs; a named one would not be listed.
BOOL CALLBACK NumberOfDialog(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
    if (IS_INTRESOURCE(name)) reinterpret_cast<std::vector<WORD>*>(list)->push_back(LOWORD(name));
    return TRUE;
}

// How much more room the control's text needs than it has (0: it fits).
int Overflow(HWND control) {
    char cls[32] = {}, text[1024] = {};
    GetClassNameA(control, cls, sizeof cls);
    GetWindowTextA(control, text, sizeof text);
    if (!text[0]) return 0;
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT need = client;
    int overflow = 0;
    if (lstrcmpiA(cls, "Static") == 0) {
        const LONG kind = style & SS_TYPEMASK;
        if (kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT) {
            DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
            overflow = need.bottom - client.bottom;
        } else if (kind == SS_LEFTNOWORDWRAP) {
            DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
            overflow = need.right - client.right;
        }
    } else if (lstrcmpiA(cls, "Button") == 0 && !(style & BS_MULTILINE)) {
        const LONG kind = style & BS_TYPEMASK;
        DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
        const int width = need.right - need.left;
        if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE ||
            kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON)
            overflow = width + GetSystemMetrics(SM_CXMENUCHECK) + 2 - client.right;
        else if (kind == BS_GROUPBOX) overflow = width + 12 - client.right;
        else if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) overflow = width + 4 - client.right;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return overflow > 0 ? overflow : 0;
}

TEST(DialogTexts, EveryTemplateTextFitsItsControl) {
    std::vector<std::string> clipped;
    int dialogs = 0;
    for (const char* program : kPrograms) {
        CString path;
        path.Format("%s\\..\\..\\products\\%s\\%s.exe", GetModuleFolder().c_str(), program, program);
        HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << path.c_str();
        std::vector<WORD> ids;
        EnumResourceNamesA(module, MAKEINTRESOURCEA(5), NumberOfDialog, reinterpret_cast<LONG_PTR>(&ids));
        for (WORD id : ids) {
            HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
            const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, info)));
            std::vector<BYTE> copy(data, data + SizeofResource(module, info));
            // Made even where a control's class is missing here; shown nowhere.
            const bool extended = copy.size() > 4 && copy[2] == 0xFF && copy[3] == 0xFF;
            DWORD* style = reinterpret_cast<DWORD*>(&copy[extended ? 12 : 0]);
            *style = ((*style | DS_NOFAILCREATE) & ~DWORD(WS_VISIBLE | WS_CHILD)) | WS_POPUP;
            HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                     reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()), nullptr, Quiet, 0);
            if (!dialog) continue;
            ++dialogs;
            for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (int more = Overflow(c)) {
                    char text[256] = {};
                    GetWindowTextA(c, text, sizeof text);
                    clipped.push_back(std::string(program) + " dialog " +
                                      std::to_string(id) + " control " +
                                      std::to_string(GetDlgCtrlID(c)) + " \"" + text + "\" needs " +
                                      std::to_string(more) + " px more");
                }
            }
            DestroyWindow(dialog);
        }
        FreeLibrary(module);
    }
    EXPECT_GT(dialogs, 20);
    std::string all;
    for (const std::string& c : clipped) all += c + "\n";
    EXPECT_TRUE(clipped.empty()) << all;
}

}  // namespace

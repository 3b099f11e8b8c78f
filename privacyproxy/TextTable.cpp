#include "TextTable.h"

#include "Files.h"
#include "VeilrunGlobals.h"
#include "VeilrunIds.h"

const char* const g_DefaultTexts[kTextSlots] = {
    "",
    "Quorvane Veilrun",
    "Sites", "Events", "Trace", "Wipe", "Options",
    "Help",
    "Show all sites", "Hide all sites", "Hide sites subject to default options", "Remove all sites",
    "Remove sites subject to default options",
    "URL", "Hits", "Last Access", "Blocked Items",
    "Default", "The whole site", "Images", "Popups", "Info", "IP",
    "Clear All Events", "Type", "Time",
    "Connected", "Connected using hub", "Site is blocked", "Image is blocked", "User Info is blocked",
    "History", "Cookie", "File",
    "Refresh", "Address", "Site",
    "Clear Selected Items", "Clear these items",
    "Internet History", "Cookies", "Temporary Internet Files", "Recent Documents", "Recent MS Office Documents",
    "Recycle Bin",
    "Default Blocking",
    "Block Images", "Block popups", "Block user information", "Route IP through anonymous hub",
    "Supported Browsers",
    "Internet Explorer", "Netscape", "Opera",
    "Reselect Anonymous Hub",
    "Note 1: Close your browser before you change \"Supported Browsers\" options",
    "Note 2: Close your browser before you close this program",
    "Open Quorvane Veilrun", "Exit Quorvane Veilrun",
    "Event Information", "Blocking Options", "Command", "After", "Before",
    "Default Blocking Options", "Custom Blocking", "Block the whole site",
    "OK", "Cancel",
    "The settings file is damaged; Veilrun read it only up to the damage:",
    "The file as it was is kept as:",
    "No copy of it could be made, so Veilrun will not write over it.",
    "The settings file could not be read:",
    "The built-in settings apply for this run, and Veilrun will not write over the file.",
    "", "", "", "", "", "",
};

CString g_Texts[kTextSlots];

static bool StartsWithText(const CString& text, const char* prefix) {
    int n = lstrlenA(prefix);
    return text.GetLength() >= n && text.Left(n).CompareNoCase(prefix) == 0;
}

CString NormaliseLine(const CString& line) {
    CString k = line;
    k.Trim(" \t");
    int eq = k.Find('=');
    if (eq > 0 && eq < k.GetLength() - 1) {
        CString key = k.Left(eq), value = k.Mid(eq + 1);
        key.TrimRight(" \t");
        value.TrimLeft(" \t");
        k = key + "=" + value;
    }
    if (!k.IsEmpty() && k[0] != '[') {
        while (k.Replace(" ,", ",") > 0 || k.Replace(", ", ",") > 0 || k.Replace("\t,", ",") > 0 ||
               k.Replace(",\t", ",") > 0) {
        }
    }
    return k;
}

CStringArray TextLinesOf(const CString& text) {
    CStringArray lines;
    for (CString line : SplitText(text, "\n")) {
        if (!line.IsEmpty() && line[line.GetLength() - 1] == '\r') line = line.Left(line.GetLength() - 1);
        lines.Add(line);
    }
    // A final line break does not start another line.
    if (!lines.IsEmpty() && lines[lines.GetSize() - 1].IsEmpty()) lines.RemoveAt(lines.GetSize() - 1);
    return lines;
}

bool ReadTextLines(const char* path, CStringArray& lines) {
    lines.RemoveAll();
    CString text;
    if (!ReadWholeFile(path, text)) return false;
    lines = TextLinesOf(text);
    return true;
}

void ReadSectionLines(const char* path, const char* sectionHeader, const char* sectionStart, const char* keyPrefix,
                      const char* stopLine, const char* commentPrefix, CStringArray& lines, bool trim) {
    lines.RemoveAll();
    CStringArray fileLines;
    if (!ReadTextLines(path, fileLines)) return;
    SectionLinesOf(fileLines, sectionHeader, sectionStart, keyPrefix, stopLine, commentPrefix, lines, trim);
}

void SectionLinesOf(const CStringArray& fileLines, const char* sectionHeader, const char* sectionStart,
                    const char* keyPrefix, const char* stopLine, const char* commentPrefix, CStringArray& lines,
                    bool trim) {
    lines.RemoveAll();
    const CString header = sectionHeader ? sectionHeader : "";
    const CString start = sectionStart ? sectionStart : "";
    const CString prefix = keyPrefix ? keyPrefix : "";
    const CString stop = stopLine ? stopLine : "";
    const CString comment = commentPrefix ? commentPrefix : "";
    bool inSection = header.IsEmpty();
    for (CString line : fileLines) {
        if (trim) line = NormaliseLine(line);
        if (!comment.IsEmpty() && StartsWithText(line, comment)) continue;
        if (!inSection) {
            if (line.CompareNoCase(header) == 0) inSection = true;
            continue;
        }
        const bool sectionLine = !start.IsEmpty() && StartsWithText(line, start);
        if ((!prefix.IsEmpty() && !StartsWithText(line, prefix)) || sectionLine) {
            if (sectionLine && line.CompareNoCase(header) != 0) inSection = false;
            continue;
        }
        if (line.CompareNoCase(stop) != 0) lines.Add(line);
    }
}

CString LanguagePackPath(const CString& language) { return g_strModuleDir + "\\Language\\" + language + ".ini"; }

void LoadLanguagePack() {
    const CString path = LanguagePackPath(g_strLanguage);
    for (int slot = 0; slot < kTextSlots; ++slot) {
        g_Texts[slot] = g_DefaultTexts[slot];
        if (g_strLanguage.IsEmpty()) continue;
        CStringArray found;
        ReadSectionLines(path, "[QuorvaneVeilrun]", "[", IntToString(slot) + "=", "", ";", found, true);
        if (!found.IsEmpty()) g_Texts[slot] = found[0].Mid(found[0].Find('=') + 1);
    }
    RelabelWindows();
}

void MarkForRelabelling(HWND hwnd) { SetWindowLongPtrA(hwnd, GWLP_USERDATA, kRelabelMark); }

static BOOL CALLBACK RelabelOne(HWND hwnd, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    if (GetWindowLongPtrA(hwnd, GWLP_USERDATA) != kRelabelMark) return TRUE;
    if (HINSTANCE(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE)) != GetModuleHandleA(nullptr)) return TRUE;
    SendMessageA(hwnd, WM_LANGUAGECHANGED, 0, 0);
    InvalidateRect(hwnd, nullptr, FALSE);
    EnumChildWindows(hwnd, RelabelOne, 0);
    return TRUE;
}

void RelabelWindows() { EnumWindows(RelabelOne, 0); }

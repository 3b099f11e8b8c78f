#include "LangPack.h"

#include "Files.h"
#include "ShredderKeys.h"

namespace {
CString g_programFolder;
CString g_language = Grindel::kDefaultLanguage;

CString ReadPackText(int key, const char* defaultText, DWORD bufferSize) {
    char name[16];
    wsprintfA(name, "%d", key);
    CString text;
    char* buffer = text.GetBuffer(int(bufferSize));
    GetPrivateProfileStringA(Grindel::kLangSection, name, defaultText ? defaultText : "", buffer, bufferSize,
                             LangPackPath());
    text.ReleaseBuffer();
    return text;
}
}  // namespace

void SetLangPackSource(const char* programFolder, const char* language) {
    g_programFolder = programFolder;
    g_language = language;
}

CString LangPackPath() {
    CString path;
    path.Format("%s\\Lang\\%s.ini", g_programFolder.c_str(), g_language.c_str());
    return path;
}

CString LoadLangString(int key, const char* defaultText) {
    CString text = ReadPackText(key, defaultText, 2000);
    text.Replace('#', '\n');
    return text;
}

CString LoadLangControlText(int key, const char* defaultText) { return ReadPackText(key, defaultText, 100); }

BOOL SetDlgItemLangText(HWND dialog, int controlId, int key, const char* defaultText) {
    return SetDlgItemTextA(dialog, controlId, LoadLangControlText(key, defaultText));
}

CString LoadLangStringWith(int key, const char* defaultText, const char* insert) {
    CString text = LoadLangString(key, defaultText);
    text.Replace("%s", insert);
    return text;
}

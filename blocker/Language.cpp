#include "Language.h"

#include "BlokkumShared.h"

CString LangPackPath(const CString& path, const CString& language) {
    return path + "\\" BLOKKUM_LANGUAGE_FOLDER "\\" + language + ".ini";
}

CString ReadPackText(const CString& packPath, const char* key, const char* defaultText, int bufferSize,
                     bool hashIsLineBreak) {
    if (bufferSize < 1) bufferSize = 1;
    CString text;
    char* buffer = text.GetBuffer(bufferSize);
    GetPrivateProfileStringA(BLOKKUM_LANGUAGE_SECTION, key, defaultText ? defaultText : "", buffer,
                             DWORD(bufferSize), packPath);
    buffer[bufferSize - 1] = '\0';
    text.ReleaseBuffer(-1);
    if (hashIsLineBreak) text.Replace('#', '\n');
    return text;
}

CString InstanceTitle(const CString& path, const CString& language) {
    if (path.IsEmpty() || language.IsEmpty()) return BLOKKUM_INSTANCE_TITLE;
    const CString title = ReadPackText(LangPackPath(path, language), BLOKKUM_INSTANCE_TITLE_KEY,
                                       BLOKKUM_INSTANCE_TITLE, kInstanceTitleBuffer, false);
    // An empty caption is no name: a search for it finds any untitled window.
    return title.IsEmpty() ? CString(BLOKKUM_INSTANCE_TITLE) : title;
}

CString NameList(const CStringArray& names) {
    CString list;
    for (const CString& name : names) list += (list.IsEmpty() ? "" : ", ") + name;
    return list;
}

CString FillNotPutBack(CString pattern, const CString& failed, const CStringArray& notPutBack) {
    return FillMarkers(pattern, {{"%s1", failed}, {"%s2", NameList(notPutBack)}});
}

CString FillKeptBackups(CString pattern, const CStringArray& kept) {
    if (kept.IsEmpty()) return CString();
    pattern.Replace("%s", NameList(kept));
    return "\n" + pattern;
}

CString CBlokkumLanguage::Read(const char* key, const char* defaultText, int bufferSize,
                               bool hashIsLineBreak) const {
    // Before the settings are loaded the pack path is "\Language\.ini", which
    // is a real path on the current drive; such lookups must give the
    // built-in text whatever lies there.
    if (m_path.IsEmpty() || m_language.IsEmpty()) {
        CString text = CString(defaultText ? defaultText : "").Left(bufferSize - 1);
        if (hashIsLineBreak) text.Replace('#', '\n');
        return text;
    }
    return ReadPackText(PackPath(), key, defaultText, bufferSize, hashIsLineBreak);
}

CString CBlokkumLanguage::LoadLangString(const char* key, const char* defaultText) const {
    return Read(key, defaultText, kStringBuffer, true);
}

void CBlokkumLanguage::SetDlgItemLangText(const char* key, int controlId, const char* defaultText,
                                          HWND dialog) const {
    SetDlgItemTextA(dialog, controlId, Read(key, defaultText, kItemBuffer, true));
}

void CBlokkumLanguage::SetDlgItemLangTexts(HWND window, const char* const* defaults, int firstKey,
                                           const int* controlIds, int count) const {
    for (int i = 0; i < count; ++i) {
        CString key;
        key.Format("%d", firstKey + i);
        CString text = Read(key, defaults[i], kBatchBuffer, false);
        if (controlIds[i] == kCaptionItemId)
            SetWindowTextA(window, text);
        else
            SetDlgItemTextA(window, controlIds[i], text);
    }
}

#include "BrowserProxyContext.h"

#include "BlokkumShared.h"
#include "Registry.h"
#include "Seams.h"

CBrowserSystem::CBrowserSystem() {
    char folder[MAX_PATH] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    windowsFolder = folder;
    char user[200] = {};
    DWORD size = sizeof user;
    if (GetUserNameA(user, &size)) userName = user;
}

CString CBrowserSystem::WindowsDrive() const {
    if (windowsFolder.GetLength() < 2 || windowsFolder[1] != ':') return CString();
    return windowsFolder.Left(2);
}

CString CBrowserProxyContext::Text(const char* key, const char* defaultText) const {
    if (textBuffer == CBlokkumLanguage::kStringBuffer) return settings.Language().LoadLangString(key, defaultText);
    if (settings.m_strPath.IsEmpty() || settings.m_strLanguage.IsEmpty()) return defaultText;
    return ReadPackText(settings.Language().PackPath(), key, defaultText, textBuffer, true);
}

void CBrowserProxyContext::ShowError(const CString& text) const {
    QvMessageBox(nullptr, text, Text(BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION), MB_OK | MB_ICONSTOP);
}

void CBrowserProxyContext::TellNotPutBack(const CString& header, const CString& failed,
                                          const CStringArray& notPutBack, const CStringArray& kept) const {
    ShowError(header + "\n" + FillNotPutBack(Text(BLOKKUM_NOT_PUT_BACK_KEY, BLOKKUM_NOT_PUT_BACK), failed, notPutBack) +
              FillKeptBackups(Text(BLOKKUM_KEPT_BACKUPS_KEY, BLOKKUM_KEPT_BACKUPS), kept));
}

void CBrowserProxyContext::TellLeftBehind(const CStringArray& files) const {
    if (files.IsEmpty()) return;
    CString text = Text(BLOKKUM_LEFT_BEHIND_KEY, BLOKKUM_LEFT_BEHIND);
    text.Replace("%s", NameList(files));
    QvMessageBox(nullptr, text, Text(BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION), MB_OK | MB_ICONEXCLAMATION);
}

void CBrowserProxyContext::TellStillSet(const CString& header, const CStringArray& stillSet) const {
    CString detail = Text("2266", "These are still set for Blokkum's proxy and must be reset by hand: %s");
    detail.Replace("%s", NameList(stillSet));
    ShowError(header + "\n" + detail);
}

void CBrowserProxyContext::WriteFlag(const char* name, DWORD value) const {
    CRegKey key;
    if (key.Create(Root(), settings.Locations().ProxySettingKey()) == ERROR_SUCCESS) key.SetDWORD(name, value);
}

bool ReadRegistryText(const CRegKey& key, const char* name, CString& value) {
    if (key.QueryString(name, value) != ERROR_SUCCESS) return false;
    value = value.Left(MAX_PATH - 1);
    return true;
}

CStringArray SplitLinesKeepingEnds(const CString& text) {
    CStringArray lines;
    int pos = 0;
    while (pos < text.GetLength()) {
        int feed = text.Find('\n', pos);
        int next = feed < 0 ? text.GetLength() : feed + 1;
        lines.Add(text.Mid(pos, next - pos));
        pos = next;
    }
    return lines;
}

CString LineContent(const CString& line) {
    CString content = line;
    content.TrimRight("\r\n");
    return content;
}

CString LineEndOf(const CString& text) {
    int feed = text.Find('\n');
    if (feed > 0 && text[feed - 1] == '\r') return "\r\n";
    return feed >= 0 ? "\n" : "\r\n";
}

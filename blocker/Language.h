// Language.h - Blokkum's language-pack lookup: numbered texts in
// <Path>\Language\<Language>.ini, section [QuorvaneBlokkum], with the
// built-in English text as the default. '#' in a value stands for a line
// break, except in the batch form used for whole dialogs.
// ReadPackText is the one reader; Blokkjack and Blokkout call it with their
// own buffer sizes. Deliberately not: caching (a language change must show at
// the very next lookup) or any window of its own.
#pragma once

#include <windows.h>

#include "Strings.h"

// <path>\Language\<language>.ini
CString LangPackPath(const CString& path, const CString& language);

// The text of key in the pack (the default when the pack, section or key is
// missing), cut to bufferSize - 1 characters as the profile call cuts it.
// With hashIsLineBreak every '#' becomes a line feed.
CString ReadPackText(const CString& packPath, const char* key, const char* defaultText, int bufferSize,
                     bool hashIsLineBreak);

// InstanceTitle, the caption of Blokkum's hidden window by which Blokkjack
// and Blokkout find it: key 9999 of the pack of path and language (the
// built-in text when either is empty or the pack lacks the key or leaves it
// empty). All three programs compute it here, alike: '#' stays as it is (a
// caption is one line) and the text is cut to kInstanceTitleBuffer - 1
// characters.
enum { kInstanceTitleBuffer = 256 };
CString InstanceTitle(const CString& path, const CString& language);

class CBlokkumLanguage {
public:
    // Holds references: the lookups follow later changes of Path and Language.
    CBlokkumLanguage(const CString& path, const CString& language) : m_path(path), m_language(language) {}

    enum { kStringBuffer = 250, kItemBuffer = 500, kBatchBuffer = 1000, kCaptionItemId = 8006 };

    CString PackPath() const { return LangPackPath(m_path, m_language); }
    CString LoadLangString(const char* key, const char* defaultText) const;
    void SetDlgItemLangText(const char* key, int controlId, const char* defaultText, HWND dialog) const;
    // Keys firstKey .. firstKey + count - 1 onto controlIds; id 8006 is the
    // window's own caption. '#' stays as it is here.
    void SetDlgItemLangTexts(HWND window, const char* const* defaults, int firstKey, const int* controlIds,
                             int count) const;

private:
    CString Read(const char* key, const char* defaultText, int bufferSize, bool hashIsLineBreak) const;

    const CString& m_path;
    const CString& m_language;
};

// A change of several settings that failed midway tells in one box what
// failed and what it left changed: key 2265 with the failed item and the
// names still changed, comma separated.
#define BLOKKUM_NOT_PUT_BACK_KEY "2265"
#define BLOKKUM_NOT_PUT_BACK "%s1 can't be read or changed, and %s2 could not be put back as it was."
CString NameList(const CStringArray& names);
CString FillNotPutBack(CString pattern, const CString& failed, const CStringArray& notPutBack);
// The line that follows it where the old content of what could not be put
// back was kept (key 2280); empty when none was.
#define BLOKKUM_KEPT_BACKUPS_KEY "2280"
#define BLOKKUM_KEPT_BACKUPS "The earlier content waits in %s until you remove it."
CString FillKeptBackups(CString pattern, const CStringArray& kept);
// Files an earlier change of the same files left unfinished: never replaced,
// and named to the user at every change until the user removes them.
#define BLOKKUM_LEFT_BEHIND_KEY "2281"
#define BLOKKUM_LEFT_BEHIND                                                                                        \
    "These files were left by an earlier change that did not finish and may hold earlier settings. They were "     \
    "left as they are; remove them when you no longer need them: %s"

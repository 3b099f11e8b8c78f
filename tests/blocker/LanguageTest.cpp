#include <gtest/gtest.h>

#include "BlokkumShared.h"
#include "Files.h"
#include "Language.h"
#include "TestSupport.h"

namespace {
INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A pack in <folder>\Language\<name>.ini and a lookup over it.
struct PackFixture {
    CTempFolder folder;
    CString path = folder.Path();
    CString language = "Test";
    CBlokkumLanguage lang{path, language};
    void Write(const char* name, const std::string& body) const {
        folder.Write(CString("Language\\") + name + ".ini", "[QuorvaneBlokkum]\r\n" + body);
    }
};

struct Dialog {
    HWND hwnd = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100), nullptr, QuietDialogProc, 0);
    ~Dialog() { DestroyWindow(hwnd); }
    std::string Text(int id) const {
        char buffer[2048] = {};
        if (id == CBlokkumLanguage::kCaptionItemId)
            GetWindowTextA(hwnd, buffer, sizeof(buffer));
        else
            GetDlgItemTextA(hwnd, id, buffer, sizeof(buffer));
        return buffer;
    }
};
}  // namespace

TEST(LanguagePack, HashIsALineBreakExceptInTheBatchForm) {
    PackFixture p;
    p.Write("Test", "1000=two#words\r\n");
    Dialog d;
    ASSERT_NE(d.hwnd, nullptr);
    EXPECT_EQ(p.lang.LoadLangString("1000", "x"), "two\nwords");
    p.lang.SetDlgItemLangText("1000", 1000, "x", d.hwnd);
    EXPECT_EQ(d.Text(1000), "two\nwords");
    const char* defaults[] = {"d"};
    const int ids[] = {1001};
    p.lang.SetDlgItemLangTexts(d.hwnd, defaults, 1000, ids, 1);
    EXPECT_EQ(d.Text(1001), "two#words");
}

TEST(LanguagePack, EachLookupCutsAtItsOwnBuffer) {
    PackFixture p;
    const std::string longText(1500, 'x');
    p.Write("Test", "1000=" + longText + "\r\n");
    Dialog d;
    EXPECT_EQ(p.lang.LoadLangString("1000", "").GetLength(), 249);
    p.lang.SetDlgItemLangText("1000", 1000, "", d.hwnd);
    EXPECT_EQ(d.Text(1000).size(), 499u);
    const char* defaults[] = {""};
    const int ids[] = {1001};
    p.lang.SetDlgItemLangTexts(d.hwnd, defaults, 1000, ids, 1);
    EXPECT_EQ(d.Text(1001).size(), 999u);
    // A built-in text is cut the same way when the pack lacks the key.
    EXPECT_EQ(p.lang.LoadLangString("4242", longText.c_str()).GetLength(), 249);
}

TEST(LanguagePack, MissingPackOrKeyGivesTheBuiltInText) {
    PackFixture p;
    EXPECT_EQ(p.lang.LoadLangString("1000", "built#in"), "built\nin");
    p.Write("Test", "1000=pack\r\n");
    EXPECT_EQ(p.lang.LoadLangString("1001", "default"), "default");
    p.folder.Write("Language\\Test.ini", std::string("\xff\xfe\0[Quorv\0\x01=\n=]\r\n", 17));
    EXPECT_EQ(p.lang.LoadLangString("1000", "after damage"), "after damage");
    CString empty;
    CBlokkumLanguage beforeSettings(empty, empty);
    EXPECT_EQ(beforeSettings.LoadLangString(BLOKKUM_INSTANCE_TITLE_KEY, BLOKKUM_INSTANCE_TITLE),
              BLOKKUM_INSTANCE_TITLE);
}

TEST(LanguagePack, InstanceTitleIsThePacksTextOrElseTheBuiltInOne) {
    const struct {
        const char* line;  // of key 9999 in the pack
        const char* title;
    } rows[] = {
        {"9999=Mine#1\r\n", "Mine#1"},
        {"9999=\r\n", BLOKKUM_INSTANCE_TITLE},
        {"9999=   \r\n", BLOKKUM_INSTANCE_TITLE},
        {"", BLOKKUM_INSTANCE_TITLE},
    };
    for (const auto& r : rows) {
        PackFixture p;
        p.Write("Test", r.line);
        EXPECT_EQ(InstanceTitle(p.path, p.language), r.title) << r.line;
    }
}

TEST(LanguagePack, ChangingTheLanguageSwitchesTheNextLookup) {
    PackFixture p;
    p.Write("Test", "1000=test text\r\n");
    p.Write("Other", "1000=other text\r\n");
    EXPECT_EQ(p.lang.LoadLangString("1000", ""), "test text");
    p.language = "Other";
    EXPECT_EQ(p.lang.LoadLangString("1000", ""), "other text");
}

TEST(LanguagePack, BatchFillsControlsInKeyOrderAndIdCaptionIsTheWindowTitle) {
    PackFixture p;
    p.Write("Test", "500=New caption\r\n501=First control\r\n");
    Dialog d;
    const char* defaults[] = {"caption default", "first default", "second default"};
    const int ids[] = {CBlokkumLanguage::kCaptionItemId, 1000, 1001};
    p.lang.SetDlgItemLangTexts(d.hwnd, defaults, 500, ids, 3);
    EXPECT_EQ(d.Text(CBlokkumLanguage::kCaptionItemId), "New caption");
    EXPECT_EQ(d.Text(1000), "First control");
    EXPECT_EQ(d.Text(1001), "second default");
}

// Blokkum and Blokkout fill the failed file and the names into the pack's
// text: a "%s" of the translation stays, and so does a name holding a marker.
TEST(LanguagePack, FilledTextsKeepTheirPercentSignsAndTheNames) {
    PackFixture p;
    p.Write("Test", "2265=%s: %s1 / %s2 %d\r\n");
    CStringArray names;
    names.Add("%s1.bak");
    names.Add("hosts");
    EXPECT_EQ(FillNotPutBack(p.lang.LoadLangString(BLOKKUM_NOT_PUT_BACK_KEY, BLOKKUM_NOT_PUT_BACK),
                             "C:\\100%s2\\prefs.js", names),
              "%s: C:\\100%s2\\prefs.js / %s1.bak, hosts %d");
}

TEST(LanguagePack, ShippedEnglishPackHoldsTheBuiltInTexts) {
    const CString pack = GetModuleFolder() + "\\..\\..\\products\\Blokkum\\Language\\English.ini";
    ASSERT_TRUE(FileExists(pack)) << pack.c_str();
    struct Row {
        const char* key;
        const char* text;
    } rows[] = {
        {BLOKKUM_INSTANCE_TITLE_KEY, BLOKKUM_INSTANCE_TITLE},
        {BLOKKUM_CAPTION_KEY, BLOKKUM_CAPTION},
        {"6001", "Sorry, but some files have been corrupted, you have to re-install the program"},
        {"6009", BLOKKUM_PROXY_ADDRESS "\t" BLOKKUM_PROXY_HOST_ALIAS},
        {"19013", "\nClick Yes to start the wizard\nNo to hide this message box forever."},
        {BLOKKUM_KEPT_BACKUPS_KEY, BLOKKUM_KEPT_BACKUPS},
        {BLOKKUM_LEFT_BEHIND_KEY, BLOKKUM_LEFT_BEHIND},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        EXPECT_EQ(ReadPackText(pack, r.key, "<missing>", 2000, true), r.text);
    }
    // No text of the pack is cut by the shortest lookup.
    char keys[32768];
    DWORD length = GetPrivateProfileStringA(BLOKKUM_LANGUAGE_SECTION, nullptr, "", keys, sizeof(keys), pack);
    int count = 0;
    for (const char* k = keys; k < keys + length && *k; k += strlen(k) + 1, ++count)
        EXPECT_LT(ReadPackText(pack, k, "", 2000, false).GetLength(), 249) << k;
    EXPECT_GT(count, 90);
}

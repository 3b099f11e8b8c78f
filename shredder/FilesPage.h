// FilesPage.h - the Shred Files (CMyPropertyPage2) and Shred Folders
// (CMyPropertyPage3) pages: a list of paths filled by drag and drop or a
// browse dialog, shredded at once (Shred Now) or made into a scheduled task
// (Schedule); and CSubFolderOptionsDlg, the folders' Folder/Remove options.
// Paths are kept by their real names (RealNames.h) from the drop or the
// dialog to the shred and the task; the list shows their code-page spelling,
// with "?" for what it lacks, never a look-alike of another file's name.
// Deliberately not: the overwrite or the folder walk (the engine's).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "RealNames.h"
#include "ShredListCtrl.h"
#include "ShredPage.h"

// What differs between the two pages: texts and which kind of path they take.
struct CPathPageKind {
    bool folders;
    UINT listId;
    int columnKey;
    const char* columnText;
};

class CPathListPage : public CShredPage {
public:
    CPathListPage(UINT templateId, CMyPropertySheet& sheet, const CPathPageKind& kind);

    const std::vector<CRealPath>& Paths() const { return m_paths; }
    CShredListCtrl& List() { return m_list; }
    // A path joins when it is not listed yet; false when it was.
    bool AddPath(const CRealPath& path);
    bool AddPath(const CString& path) { return AddPath(RealPathFrom(path)); }
    void RemoveAllPaths();
    // The dropped paths, as WM_DROPFILES delivers them.
    void OnDropFiles(HDROP drop);
    void OnShredNow();
    void OnSchedule();

protected:
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    virtual void SetPageTexts() = 0;
    virtual void OnBrowse() = 0;
    // Every listed path that its add check lets into a task, in double quotes
    // and separated by blanks; *cancelled when a check cancels the command.
    CRealPath CheckedItems(bool* cancelled);

private:
    void OnRemoveItem();
    void OnRemoveAll();

    CPathPageKind m_kind;
    CShredListCtrl m_list;
    std::vector<CRealPath> m_paths;
};

class CMyPropertyPage2 : public CPathListPage {
public:
    explicit CMyPropertyPage2(CMyPropertySheet& sheet);

protected:
    void SetPageTexts() override;
    void OnBrowse() override;
};

class CMyPropertyPage3 : public CPathListPage {
public:
    explicit CMyPropertyPage3(CMyPropertySheet& sheet);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void SetPageTexts() override;
    void OnBrowse() override;
};

class CSubFolderOptionsDlg : public CShredDialog {
public:
    CSubFolderOptionsDlg(CShredderApp& app, HWND parent, int folder, int remove);
    int m_folder;
    int m_remove;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ApplyFolderRule();
};

// Pages.h - the five pages behind the main dialog's tab strip (Sites,
// Events, Trace, Wipe, Options) and the small dialogs they open. Each page is
// a modeless child dialog carrying the relabel mark; it sets its texts on
// WM_LANGUAGECHANGED and moves values between its controls and the settings
// or the engine's records.
// Deliberately not: any computation of its own beyond filling its lists.
#pragma once

#include <ctime>
#include <vector>

#include "EventRecords.h"
#include "Skin.h"
#include "SortListCtrl.h"
#include "VeilrunIds.h"

// "%b %d,%Y", or "%I:%M:%S %p" when the date is today's.
CString FormatRecordTime(time_t when, time_t now);
// The Blocked Items column of a site.
CString BlockedItemsText(const CSiteRecord& site);

// A list's sort column and direction: the same column again turns the
// direction, another column sorts ascending.
struct CSortOrder {
    int column;
    int ascending;
    void Click(int clicked) {
        if (clicked == column) {
            ascending = !ascending;
        } else {
            column = clicked;
            ascending = 1;
        }
    }
    int Apply(int result) const { return ascending ? result : -result; }
};

class CVeilrunPage : public CDialog {
public:
    explicit CVeilrunPage(UINT templateId) : CDialog(templateId) {}

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    virtual void OnLanguageChanged() {}
    virtual void OnColumnClick(int) {}
    // The page comes into view (its tab chosen, or the window opened from the tray).
    virtual void OnShown() {}
    // Pages do not end on Enter or Escape.
    void OnOK() override {}
    void OnCancel() override {}
};

// A shown site: a copy of its record, and the record it came from, kept
// only to know the row again (never followed outside g_csLists).
struct CSiteRow {
    const CSiteRecord* key = nullptr;
    CSiteRecord site;
};

class CSitesPage : public CVeilrunPage {
public:
    CSitesPage() : CVeilrunPage(IDD_SITES) {}
    // Copies the sites changed since the last refresh (all of them after a
    // removal) and shows them, sorted; does nothing unless g_bSitesChanged.
    void Refresh();
    CSortListCtrl m_list;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnLanguageChanged() override;
    void OnColumnClick(int column) override;
    void OnShown() override;

private:
    CString RowText(int row, int column) const;
    void ShowRows(const CSiteRow& selected);
    const CSiteRow* SelectedRow() const;
    void OpenOptions(int site);
    int SelectedSite() const;
    bool m_bDialogOpen = false;
    // The shown sites in list order.
    std::vector<CSiteRow> m_rows;
    bool m_bCopied = false;
    unsigned long long m_nSeenChange = 0;
    unsigned long long m_nSeenRemovals = 0;
};

class CSiteOptionsDlg : public CDialogSkin1 {
public:
    explicit CSiteOptionsDlg(CWnd* parent = nullptr) : CDialogSkin1(IDD_SITE_OPTIONS, parent) {}
    int m_bDefaultOptions = 1, m_bBlockSite = 0, m_bBlockImages = 0, m_bBlockPopups = 0, m_bBlockUserInfo = 0,
        m_bUseHub = 0;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;

private:
    void ApplyEnabling();
};

struct CEventRow {
    CString site;
    int type;
    time_t when;
};

class CEventsPage : public CVeilrunPage {
public:
    CEventsPage() : CVeilrunPage(IDD_EVENTS) {}
    void Refresh();
    CSortListCtrl m_list;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnLanguageChanged() override;
    void OnColumnClick(int column) override;
    void OnShown() override;

private:
    CString RowText(int row, int column) const;
    void ShowRows(int selected);
    int SelectedEvent() const;
    void Rebuild();
    int EventIndexOf(int row) const;
    // Copies of the shown events in the log's order, and the list's order of them.
    std::vector<CEventRow> m_rows;
    std::vector<int> m_order;
    int m_nDroppedSeen = 0;
    bool m_bRebuild = false;
};

class CEventInfoDlg : public CDialogSkin1 {
public:
    CEventInfoDlg(UINT templateId, CWnd* parent) : CDialogSkin1(templateId, parent) {}
    CString m_strUrl, m_strCommand, m_strBefore, m_strAfter;

protected:
    BOOL OnInitDialog() override;
};

class CTracePage : public CVeilrunPage {
public:
    CTracePage() : CVeilrunPage(IDD_TRACE) {}
    void Refresh();
    void ShowGroup(int group);
    CSortListCtrl m_sites;
    CSortListCtrl m_items;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnLanguageChanged() override;
    void OnColumnClick(int column) override;

private:
    int m_nSortColumn = 0;
};

// The Wipe page's report of what stayed, the first few paths named, and the
// box that shows it when anything stayed.
CString NotWipedText(const CStringArray& notWiped);
void ReportNotWiped(HWND owner, const CStringArray& notWiped);

class CWipePage : public CVeilrunPage {
public:
    CWipePage() : CVeilrunPage(IDD_WIPE) {}

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnLanguageChanged() override;
};

class COptionsTabPage : public CVeilrunPage {
public:
    COptionsTabPage() : CVeilrunPage(IDD_OPTIONS) {}

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnLanguageChanged() override;
};

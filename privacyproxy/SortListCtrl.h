// SortListCtrl.h - CSortListCtrl, the report list the Sites, Events and Trace
// pages share: a context menu from a resource, commands sent to the parent on
// a double click and on the Delete key, WM_LISTCOLUMNCLICK on a header click,
// and rows striped in six pale colours. A list made with LVS_OWNERDATA shows
// rows its page keeps itself: it holds only their number and asks the page
// for each text as it draws it, so that 100,000 rows cost nothing to fill.
// Deliberately not: sorting itself (each page compares its own rows).
#pragma once

#include <functional>

#include "ListView.h"

class CSortListCtrl : public CListCtrl {
public:
    void SetCommands(UINT menuId, UINT doubleClickCommand, UINT deleteCommand) {
        m_menuId = menuId;
        m_doubleClick = doubleClickCommand;
        m_delete = deleteCommand;
    }
    // Report view with single selection, grid lines and full-row select.
    void SetUpReport(bool headerDragDrop);
    // True while the row's context menu is open: its command still refers to
    // the rows as they were when it opened.
    bool IsMenuOpen() const { return m_bMenuOpen; }
    // Selects (and focuses) the row, or none with -1.
    void SelectRow(int row);
    // The text of a row's column, for a list made with LVS_OWNERDATA.
    void SetRowText(std::function<CString(int row, int column)> text) { m_rowText = std::move(text); }
    // The number of rows of such a list; the rows in view are drawn again.
    void SetRowCount(int count);

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FindTyped(char typed);
    UINT m_menuId = 0;
    UINT m_doubleClick = 0;
    UINT m_delete = 0;
    bool m_bMenuOpen = false;
    std::function<CString(int, int)> m_rowText;
    CString m_typed;
    DWORD m_lastTyped = 0;
};

COLORREF RowColour(int row);

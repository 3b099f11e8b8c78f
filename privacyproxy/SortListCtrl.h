// SortListCtrl.h - CSortListCtrl, the report list the Sites, Events and Trace
// pages share: a context menu from a resource, commands sent to the parent on
// a double click and on the Delete key, WM_LISTCOLUMNCLICK on a header click,
// and rows striped in six pale colours.
// Deliberately not: sorting itself (each page compares its own rows).
#pragma once

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

protected:
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    UINT m_menuId = 0;
    UINT m_doubleClick = 0;
    UINT m_delete = 0;
    bool m_bMenuOpen = false;
};

COLORREF RowColour(int row);

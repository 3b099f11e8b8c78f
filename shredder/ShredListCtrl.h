// ShredListCtrl.h - CShredListCtrl, the list view of Grindel's pages and of
// the algorithm editor: its columns follow their contents by themselves
// (insertions widen column 0, deletions shrink every column to what is left).
// Bind it with SubclassDlgItem so that it sees its reflected notifications.
// Deliberately not: sorting or editing.
#pragma once

#include "ListView.h"

class CShredListCtrl : public CListCtrl {
public:
    // max(header text, widest cell but the excluded row; -1 excludes none) + 15.
    void AutoSizeColumn(int column, int excludedRow = -1);
    int ColumnCount() const;
    int TextWidth(const char* text) const { return int(SendMessage(LVM_GETSTRINGWIDTHA, 0, LPARAM(text))); }
    CString ColumnText(int column) const;
    // Row of the first item whose column 0 reads exactly text, -1 when none.
    int FindExact(const char* text) const;

protected:
    bool OnReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

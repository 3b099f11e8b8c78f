// StartupRecord.h - one row of Bootlist's start-up list: six texts in the
// list's column order (task name, status, load-from location text, user,
// when, command line or shortcut target). The unit of the list, of the record
// file and of profiles.
#pragma once

#include "Strings.h"

struct StartupRecord {
    static const int kColumns = 6;

    CString taskName;
    CString status;
    CString loadFrom;
    CString user;
    CString when;
    CString location;

    // Column 0 to 5 in list order; out-of-range access throws std::out_of_range.
    const CString& Column(int column) const;
    CString& Column(int column);
};

inline bool operator==(const StartupRecord& a, const StartupRecord& b) {
    for (int i = 0; i < StartupRecord::kColumns; ++i)
        if (a.Column(i) != b.Column(i)) return false;
    return true;
}

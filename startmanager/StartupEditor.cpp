#include "StartupEditor.h"

#include <algorithm>

#include "clsExitWindows.h"
#include "modLanguage.h"
#include "modRecordFile.h"
#include "modStartupEntry.h"

CStartupEditor::CStartupEditor(const CStartupLocations& where) : m_list(where) {}

void CStartupEditor::Load() {
    m_list.Build();
    m_loaded = m_list.Rows();
}

bool CStartupEditor::ToggleDisable(int row, CButtonUpdate& buttons) {
    if (!IsChangeable(row)) return false;
    CString& status = m_list.Rows()[row].status;
    const bool disable = status == StatusEnabled();
    status = disable ? StatusDisabled() : StatusEnabled();
    buttons.disableCaption = disable ? CButtonUpdate::ShowEnable : CButtonUpdate::ShowDisable;
    buttons.removeEnabled = true;
    return true;
}

bool CStartupEditor::MarkRemove(int row, CButtonUpdate& buttons) {
    if (!IsChangeable(row)) return false;
    m_list.Rows()[row].status = StatusRemove();
    buttons.disableCaption = CButtonUpdate::Unchanged;
    buttons.removeEnabled = false;
    return true;
}

bool CStartupEditor::ButtonsForRow(int row, CButtonUpdate& buttons) const {
    if (!IsChangeable(row)) return false;
    const CString& status = m_list.GetAt(row).status;
    buttons = CButtonUpdate();
    if (status == StatusEnabled()) {
        buttons.disableCaption = CButtonUpdate::ShowDisable;
        buttons.removeEnabled = true;
    } else if (status == StatusDisabled()) {
        buttons.disableCaption = CButtonUpdate::ShowEnable;
        buttons.removeEnabled = true;
    } else if (status == StatusRemove()) {
        buttons.removeEnabled = false;
    } else {
        // A status of another language's profile: leave the buttons alone.
        return false;
    }
    return true;
}

void CStartupEditor::ResetAll() {
    const CString disabled = StatusDisabled();
    m_list.Clear();
    // Rows never applied (empty status) were added since: a reset drops them.
    // The record file brings back its own.
    for (const StartupRecord& record : m_loaded)
        if (record.status != disabled && !record.status.IsEmpty() && !record.unreadable) m_list.Rows().Add(record);
    m_list.ReadSaveProf();
    // The rows now stand in another order (Disabled ones last); the applied
    // state follows them so that positions keep matching.
    m_loaded = m_list.Rows();
}

void CStartupEditor::Failed(const StartupRecord& row, DWORD error, const CString& inTheWay) {
    CString text = (row.taskName.IsEmpty() ? CString("(Default)") : row.taskName) + " (" + row.loadFrom + "): ";
    if (error == ERROR_ALREADY_EXISTS && !inTheWay.IsEmpty())
        text += SetCaptionfromINI("436", "another entry of this name stands in its place and is kept") + ": " + inTheWay;
    else
        text += SystemErrorText(error);
    m_failures.Add(text);
    LogError(FormatErrorMessage(text, long(error), "ApplyNow"));
}

CArray<CStringArray> CStartupEditor::ClaimedCopies() const {
    CArray<CStringArray> claimed;
    claimed.SetSize(kLocationCodes);
    for (const CArray<StartupRecord>* records : {&m_list.Rows(), &m_loaded}) {
        for (const StartupRecord& record : *records) {
            if (!record.unreadable) {
                if (!record.copyName.IsEmpty() && record.code > kNoLocation && record.code < kLocationCodes)
                    claimed[record.code].Add(record.copyName);
                continue;
            }
            // An unreadable record's copy is still its own, wherever it waits.
            StartupRecord identity = record;
            TakeIdentity(identity);
            if (!identity.copyName.IsEmpty())
                for (CStringArray& names : claimed) names.Add(identity.copyName);
        }
    }
    return claimed;
}

bool CStartupEditor::ApplyNow() {
    m_failures.RemoveAll();
    const CString enabled = StatusEnabled();
    const CString disabled = StatusDisabled();
    const CString remove = StatusRemove();
    CArray<StartupRecord>& rows = m_list.Rows();
    const CStartupLocations& where = m_list.Where();
    // A loaded profile may hold fewer rows than were loaded, a row added
    // since has no applied state yet: never read past either.
    if (m_loaded.GetSize() > rows.GetSize()) m_loaded.SetSize(rows.GetSize());
    while (m_loaded.GetSize() < rows.GetSize()) {
        StartupRecord added = rows[m_loaded.GetSize()];
        added.status.Empty();
        m_loaded.Add(added);
    }

    // Every entry about to be disabled gets a copy name of its own before
    // the record file names it, none that another record holds.
    CArray<CStringArray> claimed = ClaimedCopies();
    for (int k = 0; k < rows.GetSize(); ++k) {
        StartupRecord& row = rows[k];
        if (row.unreadable || row.status != disabled || m_loaded[k].status == disabled || !row.copyName.IsEmpty() ||
            row.code <= kNoLocation || row.code >= kLocationCodes)
            continue;
        row.copyName = ReserveCopyName(row, where, claimed[row.code]);
        if (!row.copyName.IsEmpty()) claimed[row.code].Add(row.copyName);
    }
    // Until the passes end the file keeps every row Disabled now and every
    // one about to leave the keeping: an entry leaves its location only once
    // it is kept, and one put back stays recorded until it stands there.
    CArray<StartupRecord> kept;
    for (int k = 0; k < rows.GetSize(); ++k) {
        if (rows[k].status != disabled && m_loaded[k].status != disabled && !rows[k].unreadable) continue;
        kept.Add(rows[k]);
        if (!rows[k].unreadable) kept[kept.GetSize() - 1].status = disabled;
    }
    const bool keeping = WriteKept(kept);

    for (int k = 0; k < rows.GetSize(); ++k) {
        StartupRecord& row = rows[k];
        const CString& applied = m_loaded[k].status;
        if (row.status == applied || row.unreadable) continue;
        const bool known = row.status == enabled || row.status == disabled || row.status == remove;
        // A status of another language's profile is acted on by nothing.
        if (!known) continue;
        bool step = true;
        EntryStep what = EntryStep::Add;
        if (applied.IsEmpty()) {
            // Added since: only an Enabled row is written anywhere.
            step = row.status == enabled;
        } else if (applied == disabled) {
            what = row.status == enabled ? EntryStep::Enable : EntryStep::Discard;
        } else if (applied == enabled) {
            what = row.status == disabled ? EntryStep::Disable : EntryStep::Remove;
            if (what == EntryStep::Disable && !keeping) {
                row.status = applied;
                row.copyName.Empty();
                continue;
            }
        } else {
            step = false;
        }
        CString inTheWay;
        const DWORD error = step ? ChangeStartupEntry(what, row, where, &inTheWay) : DWORD(ERROR_SUCCESS);
        if (error != ERROR_SUCCESS) {
            Failed(row, error, inTheWay);
            if (!applied.IsEmpty()) row.status = applied;
            // A copy never made frees its name; a kept one keeps it.
            if (what == EntryStep::Disable) row.copyName.Empty();
            continue;
        }
        m_loaded[k] = row;
    }
    for (int k = rows.GetSize() - 1; k >= 0; --k) {
        if (rows[k].status != remove || m_loaded[k].status != remove) continue;
        rows.RemoveAt(k);
        m_loaded.RemoveAt(k);
    }
    const bool written = WriteSaveProf();
    return keeping && written && m_failures.IsEmpty();
}

bool CStartupEditor::ApplyAndExitWindows(long option) {
    // A session ended after a failed apply would hide the failure.
    if (!ApplyNow()) return false;
    clsExitWindows().ExitWindows(option);
    return true;
}

bool CStartupEditor::WriteKept(const CArray<StartupRecord>& rows) {
    const CString& path = m_list.Where().saveProf;
    // A file that could not be read holds records the list lacks: replaced
    // or deleted, they would be lost, and their private copies with them.
    DWORD error = m_list.SaveProfReadError();
    if (error == ERROR_SUCCESS) {
        if (rows.IsEmpty()) {
            if (path.IsEmpty() || DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND ||
                GetLastError() == ERROR_PATH_NOT_FOUND)
                return true;
        } else {
            CArray<StartupRecord> stored;
            for (const StartupRecord& row : rows) stored.Add(CStartupList::ToStoredRecord(row));
            if (WriteRecordFile(stored, path, stored.GetSize())) return true;
        }
        error = path.IsEmpty() ? DWORD(ERROR_PATH_NOT_FOUND) : GetLastError();
    }
    FileFailed(path.IsEmpty() ? CString("SaveProf.pro") : path, error, "WriteSaveProf");
    return false;
}

void CStartupEditor::FileFailed(const CString& path, DWORD error, const char* method, const CString& why) {
    if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
    const CString text = path + ": " + (why.IsEmpty() ? SystemErrorText(error) : why);
    // The record file's writes before and after an apply's passes fail alike: told once.
    if (m_failures.Find(text) >= 0) return;
    m_failures.Add(text);
    LogError(FormatErrorMessage(text, long(error), method));
}

bool CStartupEditor::WriteSaveProf() {
    const CString disabled = StatusDisabled();
    CArray<StartupRecord> records;
    for (const StartupRecord& row : m_list.Rows())
        if (row.status == disabled || row.unreadable) records.Add(row);
    return WriteKept(records);
}

bool CStartupEditor::SaveProfile(const char* path) {
    m_failures.RemoveAll();
    if (!path || !*path) return true;
    // A profile names no private copy: by the time it is loaded, the copy
    // may be gone and its name another entry's. A record cut short stays in
    // SaveProf.pro alone: a profile that ended in it would not load.
    CArray<StartupRecord> rows;
    for (const StartupRecord& row : m_list.Rows()) {
        if (!row.cutText.IsEmpty()) continue;
        rows.Add(row);
        if (!row.unreadable) rows[rows.GetSize() - 1].when = WhenWithIdentity(row, false);
    }
    if (WriteRecordFile(rows, path, rows.GetSize())) return true;
    FileFailed(path, GetLastError(), "mnuSaveProf_Click");
    return false;
}

bool CStartupEditor::LoadProfile(const char* path) {
    m_failures.RemoveAll();
    if (!path || !*path) return true;
    CArray<StartupRecord> rows;
    if (!ReadRecordFile(path, rows)) {
        const DWORD error = GetLastError();
        FileFailed(path, error ? error : DWORD(ERROR_READ_FAULT), "mnuLoadProf_Click");
        return false;
    }
    // Loaded without its cut record the profile would pass for whole, and
    // with the cut texts an apply would act on a command line cut short.
    for (const StartupRecord& row : rows) {
        if (row.cutText.IsEmpty()) continue;
        FileFailed(path, ERROR_INVALID_DATA, "mnuLoadProf_Click",
                   SetCaptionfromINI("439", "its last record is cut short by the end of the file"));
        return false;
    }
    // Each profile row takes the applied state of the entry it names.
    CArray<StartupRecord> applied;
    CArray<int> matched;
    for (int i = 0; i < m_loaded.GetSize(); ++i) matched.Add(0);
    for (StartupRecord& row : rows) {
        m_list.ToShownRecord(row);
        // Only the entry a row turns out to be says where its copy waits.
        row.copyName.Empty();
        StartupRecord state = row;
        state.status.Empty();
        for (int i = 0; i < m_loaded.GetSize(); ++i) {
            if (matched[i] || m_loaded[i].status.IsEmpty() || m_loaded[i].unreadable || !SameEntry(m_loaded[i], row))
                continue;
            matched[i] = 1;
            state = m_loaded[i];
            row.copyName = state.copyName;
            row.fileName = state.fileName;
            row.realName = state.realName;
            row.valueType = state.valueType;
            break;
        }
        applied.Add(state);
    }
    const CString disabled = StatusDisabled();
    for (int i = 0; i < m_loaded.GetSize(); ++i) {
        if (matched[i] || (m_loaded[i].status != disabled && !m_loaded[i].unreadable)) continue;
        rows.Add(m_loaded[i]);
        applied.Add(m_loaded[i]);
    }
    m_list.Rows() = rows;
    m_loaded = applied;
    return true;
}

CStartupEditor::AddResult CStartupEditor::AddTask(const CString& name, const CString& location, int code,
                                                  bool nameEnabled) {
    if (name.IsEmpty() || location.IsEmpty() || code == kNoLocation) return Incomplete;
    StartupRecord row;
    row.code = code;
    row.taskName = nameEnabled ? name : LocationText(code);
    // Without a pack an empty status would match no status, and the row
    // would never be written: the built-in text stands in.
    row.status = StatusEnabled();
    row.loadFrom = LocationText(code);
    row.user = SetCaptionfromINI(IsUserLocation(code) ? "415" : "416", "");
    row.when = SetCaptionfromINI("417", "");
    row.location = location;
    if (code == kUserStartup || code == kCommonStartup) row.fileName = row.taskName + ".lnk";
    // A win.ini line takes any number of programs: the new one joins it.
    if (code != kWinIniLoad && code != kWinIniRun) {
        const CString file = row.fileName.IsEmpty() ? CString() : StartupFileName(row, m_list.Where());
        for (const StartupRecord& other : m_list.Rows()) {
            if (other.code != code) continue;
            if (row.fileName.IsEmpty() ? other.taskName.CompareNoCase(row.taskName) == 0
                                       : StartupFileName(other, m_list.Where()).CompareNoCase(file) == 0)
                return Exists;
        }
        if (StartupEntryExists(row, m_list.Where())) return Exists;
    }
    m_list.Rows().Add(row);
    return Added;
}

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
    if (!IsRow(row)) return false;
    CString& status = m_list.Rows()[row].status;
    const bool disable = status == StatusEnabled();
    status = disable ? StatusDisabled() : StatusEnabled();
    buttons.disableCaption = disable ? CButtonUpdate::ShowEnable : CButtonUpdate::ShowDisable;
    buttons.removeEnabled = true;
    return true;
}

bool CStartupEditor::MarkRemove(int row, CButtonUpdate& buttons) {
    if (!IsRow(row)) return false;
    m_list.Rows()[row].status = StatusRemove();
    buttons.disableCaption = CButtonUpdate::Unchanged;
    buttons.removeEnabled = false;
    return true;
}

bool CStartupEditor::ButtonsForRow(int row, CButtonUpdate& buttons) const {
    if (!IsRow(row)) return false;
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
    for (const StartupRecord& record : m_loaded)
        if (record.status != disabled) m_list.Rows().Add(record);
    m_list.ReadSaveProf();
    // The rows now stand in another order (Disabled ones last); the applied
    // state follows them so that positions keep matching.
    m_loaded = m_list.Rows();
}

bool CStartupEditor::ApplyNow() {
    const CString enabled = StatusEnabled();
    const CString disabled = StatusDisabled();
    const CString remove = StatusRemove();
    CArray<StartupRecord>& rows = m_list.Rows();
    const CStartupLocations& where = m_list.Where();
    // The passes change no row to or from Disabled, so the file can be
    // written before them; an entry leaves its location only once it is kept
    // (the Windows folder is not writable for a limited user on NT).
    const bool kept = WriteSaveProf();

    // A loaded profile may hold fewer rows than were loaded: never read past the list.
    const int loaded = std::min(m_loaded.GetSize(), rows.GetSize());
    for (int k = 0; k < loaded; ++k) {
        const StartupRecord& row = rows[k];
        if (row.status != m_loaded[k].status) {
            if (row.status == disabled && !kept) continue;
            if (row.status == remove || row.status == disabled)
                RemoveStartupEntry(row, where);
            else if (row.status == enabled)
                WriteStartupEntry(row, where);
        }
        m_loaded[k] = row;
    }
    m_loaded.SetSize(loaded);
    // Rows added since: only Enabled ones are written, but every one is
    // recorded, so that a later change of its status is seen as a change.
    for (int k = loaded; k < rows.GetSize(); ++k) {
        if (rows[k].status == enabled) WriteStartupEntry(rows[k], where);
        m_loaded.Add(rows[k]);
    }
    for (int k = rows.GetSize() - 1; k >= 0; --k) {
        if (rows[k].status != remove) continue;
        rows.RemoveAt(k);
        m_loaded.RemoveAt(k);
    }
    return kept;
}

void CStartupEditor::ApplyAndExitWindows(long option) {
    ApplyNow();
    clsExitWindows().ExitWindows(option);
}

bool CStartupEditor::WriteSaveProf() {
    const CString disabled = StatusDisabled();
    CArray<StartupRecord> records;
    for (const StartupRecord& row : m_list.Rows())
        if (row.status == disabled) records.Add(row);
    const CString& path = m_list.Where().saveProf;
    if (records.IsEmpty()) {
        if (!path.IsEmpty()) DeleteFileA(path);
        return true;
    }
    if (WriteRecordFile(records, path, records.GetSize())) return true;
    DWORD error = path.IsEmpty() ? DWORD(ERROR_PATH_NOT_FOUND) : GetLastError();
    LogWin32Error(error ? error : DWORD(ERROR_WRITE_FAULT), "WriteSaveProf");
    return false;
}

bool CStartupEditor::SaveProfile(const char* path) const {
    if (!path || !*path) return true;
    if (WriteRecordFile(m_list.Rows(), path, m_list.GetCount())) return true;
    DWORD error = GetLastError();
    LogWin32Error(error ? error : DWORD(ERROR_WRITE_FAULT), "mnuSaveProf_Click");
    return false;
}

bool CStartupEditor::LoadProfile(const char* path) {
    if (!path || !*path) return true;
    CArray<StartupRecord> rows;
    if (!ReadRecordFile(path, rows)) {
        DWORD error = GetLastError();
        LogWin32Error(error ? error : DWORD(ERROR_READ_FAULT), "mnuLoadProf_Click");
        return false;
    }
    m_list.Rows() = rows;
    return true;
}

bool CStartupEditor::AddTask(const CString& name, const CString& location, const CString& loadFrom,
                             bool nameEnabled) {
    if (name.IsEmpty() || location.IsEmpty()) return false;
    StartupRecord row;
    row.taskName = nameEnabled ? name : loadFrom;
    row.status = SetCaptionfromINI("413", "");
    row.loadFrom = loadFrom;
    row.user = loadFrom == SetCaptionfromINI("414", "") ? SetCaptionfromINI("415", "") : SetCaptionfromINI("416", "");
    row.when = SetCaptionfromINI("417", "");
    row.location = location;
    m_list.Rows().Add(row);
    return true;
}

// ProxyRecord.h - what a browser held before a program's proxy first went on
// it, kept in the registry so that it outlives the program: the reset, in the
// same run or in a later one after a kill, a crash or a power loss, gives the
// user's own proxy back. Blokkum and Veilrun keep their records under keys of
// their own (Blokkum's Proxy Setting, Veilrun's Proxy Setting), so that with
// both running neither record disturbs the other.
// A place (a connection, a settings file) is recorded only while it holds
// values that are not the program's own proxy, judged by what the values
// hold, whatever the on/off switch beside them says: a second set, or a start
// after a run that never ended, keeps what was recorded when the proxy first
// went on. A reset writes a record back only where the program's own proxy
// still stands, leaves what someone has set since, and forgets the record.
// Deliberately not: how any browser keeps its proxy, or whose proxy a value
// is; the browser code knows both and asks this piece to keep and find.
#pragma once

#include <windows.h>

#include <vector>

#include "Strings.h"

// One value of a place as it stood, of any registry type, or its absence.
struct CHeldValue {
    CString name;
    bool present = false;
    DWORD type = REG_NONE;
    CString data;

    static CHeldValue Text(const CString& name, const CString& text);
    static CHeldValue Number(const CString& name, DWORD number);
    static CHeldValue Absent(const CString& name);
    // The text of a string value (empty for another type or none).
    CString Text() const;
    // A 4-byte value's number; fallback for any other.
    DWORD Number(DWORD fallback = 0) const;
};
using CHeldValues = std::vector<CHeldValue>;

class CProxyRecord {
public:
    // The record lives under root\key; each place is a subkey of its own.
    CProxyRecord(HKEY root, const CString& key) : m_root(root), m_key(key) {}

    // The values a place holds before the proxy goes on it. own: they are the
    // program's own proxy already, so what was recorded when the proxy first
    // went on stays. A held value that is absent is recorded as absent. False
    // when the record could not be written: the proxy must then not go on.
    bool Keep(const CString& place, const CHeldValues& held, bool own) const;
    // Fills every value asked for by its name (absent when not recorded);
    // false when none of them is recorded.
    bool Find(const CString& place, CHeldValues& values) const;
    // Removes the values, and the place (with the groups above it) once
    // nothing is left in it.
    void Forget(const CString& place, const CHeldValues& values) const;

    // A place name made of parts; empty when a part cannot be part of a key
    // name (empty, or holding a backslash).
    static CString Place(const CString& group, const CString& part);

private:
    CString KeyOf(const CString& place) const { return m_key + "\\" + place; }

    HKEY m_root;
    CString m_key;
};

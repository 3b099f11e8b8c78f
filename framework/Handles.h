// Handles.h - RAII owners of kernel handles: CHandle (CloseHandle, null or
// INVALID_HANDLE_VALUE means empty) and CFindHandle (FindClose).
// Deliberately not: duplication or sharing; a handle has one owner.
#pragma once

#include <windows.h>

template <BOOL(WINAPI* CloseFn)(HANDLE)>
class CHandleT {
public:
    CHandleT() = default;
    explicit CHandleT(HANDLE h) : m_h(h) {}
    ~CHandleT() { Close(); }
    CHandleT(const CHandleT&) = delete;
    CHandleT& operator=(const CHandleT&) = delete;
    CHandleT(CHandleT&& other) noexcept : m_h(other.Detach()) {}
    CHandleT& operator=(CHandleT&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    bool IsValid() const { return m_h != nullptr && m_h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_h; }
    operator HANDLE() const { return m_h; }
    void Attach(HANDLE h) { Close(); m_h = h; }
    HANDLE Detach() { HANDLE h = m_h; m_h = nullptr; return h; }
    void Close() {
        if (IsValid()) CloseFn(m_h);
        m_h = nullptr;
    }

private:
    HANDLE m_h = nullptr;
};

using CHandle = CHandleT<CloseHandle>;
using CFindHandle = CHandleT<FindClose>;

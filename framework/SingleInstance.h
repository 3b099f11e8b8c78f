// SingleInstance.h - CSingleInstance, a named mutex that tells whether another
// instance of a program holds the name (ERROR_ALREADY_EXISTS, or an invalid
// handle when the name belongs to another kind of object). The mutex is held
// until the object goes (programs keep it for their whole run); Recreate
// releases it and takes a new name.
// Deliberately not: bringing the other instance to the front.
#pragma once

#include <windows.h>

class CSingleInstance {
public:
    explicit CSingleInstance(const char* name = nullptr, bool initialOwner = true) {
        if (name) Recreate(name, initialOwner);
    }
    ~CSingleInstance() { Close(); }
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // True when this process is the first holder of the name.
    bool Recreate(const char* name, bool initialOwner = true) {
        Close();
        m_mutex = CreateMutexA(nullptr, initialOwner ? TRUE : FALSE, name);
        DWORD error = GetLastError();
        m_alreadyRunning = !m_mutex || error == ERROR_ALREADY_EXISTS || error == ERROR_INVALID_HANDLE;
        return !m_alreadyRunning;
    }
    bool IsAlreadyRunning() const { return m_alreadyRunning; }
    HANDLE Handle() const { return m_mutex; }
    void Close() {
        if (m_mutex) CloseHandle(m_mutex);
        m_mutex = nullptr;
    }

private:
    HANDLE m_mutex = nullptr;
    bool m_alreadyRunning = false;
};

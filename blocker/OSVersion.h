// OSVersion.h - COSVersion, the Windows version probe compiled into Blokkum,
// Blokkout, Grindel and Swiftlane, and IsWindowsNT.
// One GetVersionExA call at construction; one predicate per Windows version.
// Versions the programs do not know (NT 3.51, major 6 and later) answer none,
// so callers take their "other" branch.
#pragma once

#include <windows.h>

class COSVersion {
public:
    COSVersion() {
        ZeroMemory(&m_info, sizeof(m_info));
        m_info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        GetVersionExA(&m_info);
    }
    // Tests and callers that already hold a record use this one.
    explicit COSVersion(const OSVERSIONINFOA& info) : m_info(info) {}
    virtual ~COSVersion() = default;

    bool IsWin95() const { return m_info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && m_info.dwMinorVersion == 0; }
    bool IsWin98() const { return m_info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && m_info.dwMinorVersion == 10; }
    bool IsWinME() const { return m_info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS && m_info.dwMinorVersion == 90; }
    // Server 2003 (5.2) counts as XP.
    bool IsWinXP() const { return IsNT() && m_info.dwMajorVersion == 5 && m_info.dwMinorVersion != 0; }
    bool IsWin2000() const { return IsNT() && m_info.dwMajorVersion == 5 && m_info.dwMinorVersion == 0; }
    bool IsWinNT4() const { return IsNT() && m_info.dwMajorVersion == 4; }

    const OSVERSIONINFOA& Info() const { return m_info; }

private:
    bool IsNT() const { return m_info.dwPlatformId == VER_PLATFORM_WIN32_NT; }
    OSVERSIONINFOA m_info;
};

inline bool IsWindowsNT() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    GetVersionExA(&info);
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

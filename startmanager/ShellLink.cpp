#include "ShellLink.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "RealNames.h"

namespace {
class CComScope {
public:
    CComScope() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComScope() {
        // S_FALSE (already set up here) still counts and must be balanced;
        // RPC_E_CHANGED_MODE (another model already) must not.
        if (SUCCEEDED(m_hr)) CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    HRESULT m_hr;
};

template <typename T>
class CComPtr {
public:
    CComPtr() = default;
    ~CComPtr() { if (m_p) m_p->Release(); }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    T* operator->() const { return m_p; }
    T** Out() { return &m_p; }
    void** OutVoid() { return reinterpret_cast<void**>(&m_p); }

private:
    T* m_p = nullptr;
};

HRESULT NewShellLink(CComPtr<IShellLinkA>& link, CComPtr<IPersistFile>& file) {
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.OutVoid());
    if (FAILED(hr)) return hr;
    return link->QueryInterface(IID_IPersistFile, file.OutVoid());
}
}  // namespace

CString ReadShortcutTarget(const char* linkPath) { return ReadShortcutTarget(RealPathFrom(linkPath).c_str()); }

CString ReadShortcutTarget(const wchar_t* linkPath) {
    CComScope com;
    CComPtr<IShellLinkA> link;
    CComPtr<IPersistFile> file;
    if (FAILED(NewShellLink(link, file))) return CString();
    if (FAILED(file->Load(linkPath, STGM_READ))) return CString();
    CString target;
    // A link stores at most a MAX_PATH target; the room beyond is only a margin.
    const int room = 2 * MAX_PATH;
    char* buffer = target.GetBuffer(room);
    buffer[0] = '\0';
    if (link->GetPath(buffer, room, nullptr, 0) != S_OK) buffer[0] = '\0';
    target.ReleaseBuffer(-1);
    return target;
}

long CreateShortcut(const char* linkPath, const char* target) {
    return CreateShortcut(RealPathFrom(linkPath).c_str(), target);
}

long CreateShortcut(const wchar_t* linkPath, const char* target) {
    CComScope com;
    CComPtr<IShellLinkA> link;
    CComPtr<IPersistFile> file;
    HRESULT hr = NewShellLink(link, file);
    if (FAILED(hr)) return hr;
    hr = link->SetPath(target);
    if (FAILED(hr)) return hr;
    return file->Save(linkPath, TRUE);
}

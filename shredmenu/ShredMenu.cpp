#include "ShredMenu.h"

#include <shellapi.h>

#include "CommandLine.h"
#include "Files.h"
#include "LangPack.h"
#include "OSVersion.h"
#include "Registry.h"
#include "Seams.h"
#include "ShellNames.h"
#include "ShredderKeys.h"

namespace Grindhook {

const CLSID kClsid = {0x82F4E188, 0xBEAF, 0x43D7, {0xB3, 0xD0, 0x2B, 0x81, 0x13, 0xD4, 0xB4, 0x71}};

namespace {
CString g_appPath;
CString g_language;
HKEY g_settingsRoot = nullptr;  // null: Grindel's own key below HKEY_CURRENT_USER
CString g_settingsKey;

const char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

CString ClsidKey() { return CString("CLSID\\") + kClsidText; }
CString ServerKey() { return ClsidKey() + "\\InProcServer32"; }
CString HandlerKey(const char* type) {
    return CString(type) + "\\shellex\\ContextMenuHandlers\\" + kRegistryName;
}

CString MenuText() {
    CString pack;
    pack.Format("%s\\Lang\\%s.ini", g_appPath.c_str(), g_language.c_str());
    CString text;
    char* buffer = text.GetBuffer(kMenuTextBuffer);
    GetPrivateProfileStringA(Grindel::kLangSection, kMenuTextKey, Grindel::kTextProductTitle, buffer,
                             kMenuTextBuffer, pack);
    text.ReleaseBuffer();
    return text;
}
}  // namespace

CComModuleCount& Module() {
    static CComModuleCount module;
    return module;
}

void LoadShredderSettings(HKEY root, const char* key) {
    g_settingsRoot = root;
    g_settingsKey = key;
    ReloadShredderSettings();
}

void ReloadShredderSettings() {
    g_appPath.Empty();
    g_language.Empty();
    const CString key =
        g_settingsRoot ? g_settingsKey : CString(Grindel::kProductKey) + "\\" + Grindel::kProfileName;
    CRegKey settings;
    if (settings.Open(g_settingsRoot ? g_settingsRoot : HKEY_CURRENT_USER, key) != ERROR_SUCCESS) return;
    settings.QueryString(Grindel::kValueAppPath, g_appPath);
    if (settings.QueryString(Grindel::kValueLanguage, g_language) != ERROR_SUCCESS || g_language.IsEmpty())
        g_language = Grindel::kDefaultLanguage;
    SetLangPackSource(g_appPath, g_language);
}

const CString& AppPath() { return g_appPath; }
const CString& Language() { return g_language; }

CRealPath BuildShredParameters(const std::vector<CRealPath>& names) {
    CRealPath parameters = L"\"";
    for (const CRealPath& name : names) parameters += name + L"\" \"";
    return parameters;
}

namespace {
// The program's name, quoted, and the blank before the parameters.
int LineLength(const CRealPath& program, size_t parameters) { return int(program.size() + 3 + parameters); }
}  // namespace

int NamesThatFit(const CRealPath& program, const std::vector<CRealPath>& names) {
    size_t length = 1;
    int fitting = 0;
    for (const CRealPath& name : names) {
        length += name.size() + 3;
        if (LineLength(program, length) > kMaxCommandLine) break;
        ++fitting;
    }
    return fitting;
}

CRealPath StartParameters(const CRealPath& program, const std::vector<CRealPath>& names, CRealPath* list) {
    list->clear();
    const CRealPath parameters = BuildShredParameters(names);
    if (LineLength(program, parameters.size()) <= kMaxCommandLine) return parameters;
    // Windows would cut the line and Grindel lose the names behind the cut:
    // one Grindel gets them all, to ask once and run them as one job.
    *list = WriteItemList(names);
    if (list->empty()) return CRealPath();
    return BuildShredParameters({RealPathFrom(kItemListOption) + *list});
}

HRESULT RegisterServer(const char* modulePath) {
    struct Entry {
        CString key;
        const char* name;
        CString value;
    };
    const Entry entries[] = {
        {ClsidKey(), nullptr, kRegistryName},
        {ServerKey(), nullptr, modulePath},
        {ServerKey(), "ThreadingModel", "Apartment"},
        {HandlerKey("*"), nullptr, kClsidText},
        {HandlerKey("Folder"), nullptr, kClsidText},
    };
    for (const Entry& entry : entries) {
        CRegKey key;
        if (key.Create(HKEY_CLASSES_ROOT, entry.key, KEY_WRITE) != ERROR_SUCCESS) return SELFREG_E_CLASS;
        key.SetString(entry.name, entry.value);
    }
    if (IsWindowsNT()) {
        CRegKey approved;
        if (approved.Create(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_WRITE) != ERROR_SUCCESS) return SELFREG_E_CLASS;
        approved.SetString(kClsidText, kRegistryName);
    }
    return S_OK;
}

HRESULT UnregisterServer() {
    const CString keys[] = {ServerKey(), ClsidKey(), HandlerKey("*"), HandlerKey("Folder")};
    for (const CString& key : keys)
        if (RegDeleteKeyA(HKEY_CLASSES_ROOT, key) != ERROR_SUCCESS) return SELFREG_E_CLASS;
    if (IsWindowsNT()) {
        CRegKey approved;
        if (approved.Open(HKEY_LOCAL_MACHINE, kApprovedKey, KEY_WRITE) == ERROR_SUCCESS)
            approved.DeleteValue(kClsidText);
    }
    return S_OK;
}

}  // namespace Grindhook

CShredContextMenu::CShredContextMenu() { Grindhook::Module().AddObject(); }

CShredContextMenu::~CShredContextMenu() {
    if (m_data) m_data->Release();
    Grindhook::Module().ReleaseObject();
}

STDMETHODIMP CShredContextMenu::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit))
        *object = static_cast<IShellExtInit*>(this);
    else if (IsEqualIID(riid, IID_IContextMenu))
        *object = static_cast<IContextMenu*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CShredContextMenu::AddRef() { return ULONG(InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CShredContextMenu::Release() {
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return ULONG(refs);
}

STDMETHODIMP CShredContextMenu::Initialize(LPCITEMIDLIST, IDataObject* data, HKEY) {
    if (m_data) {
        m_data->Release();
        m_data = nullptr;
    }
    if (!data) return E_FAIL;
    m_data = data;
    m_data->AddRef();

    m_names.clear();
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(m_data->GetData(&format, &medium))) return E_FAIL;
    // Never an empty name: an empty list reads as one, and Grindel must not get "" as an item.
    m_names = DroppedRealPaths(static_cast<HDROP>(medium.hGlobal));
    ReleaseStgMedium(&medium);
    return S_OK;
}

STDMETHODIMP CShredContextMenu::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT, UINT) {
    if (!menu) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    // Read here, not when the library loads: the user may have moved Grindel or
    // changed its language since the shell loaded us, and the loader lock is no place for the registry.
    Grindhook::ReloadShredderSettings();
    InsertMenuA(menu, index, MF_BYPOSITION, firstId, Grindhook::MenuText());
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
}

STDMETHODIMP CShredContextMenu::InvokeCommand(LPCMINVOKECOMMANDINFO info) {
    if (!info || HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0) return S_OK;
    if (m_names.empty()) return S_OK;
    const CString& folder = Grindhook::AppPath();
    // The full path: a bare name would be searched for along the shell's own
    // current folder and PATH first. Without AppPath there is no full path.
    if (folder.IsEmpty()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    const CRealPath program = JoinRealPath(folder, RealPathFrom(Grindel::kProgramFile));
    CRealPath list;
    const CRealPath parameters = Grindhook::StartParameters(program, m_names, &list);
    if (parameters.empty()) {
        // Told before anything is shredded, never a part of the selection started as if it were all.
        CString text = LoadLangString(Grindel::TXT_TOO_MANY_ITEMS, Grindel::kTextTooManyItems);
        CString fitting, total;
        fitting.Format("%d", Grindhook::NamesThatFit(program, m_names));
        total.Format("%d", int(m_names.size()));
        text.Replace("%u", fitting);
        text.Replace("%t", total);
        QvMessageBox(info->hwnd, text, Grindhook::MenuText(), MB_ICONERROR);
        return E_FAIL;
    }
    const INT_PTR started = reinterpret_cast<INT_PTR>(QvShellExecuteW(
        nullptr, L"open", program.c_str(), parameters.c_str(), RealPathFrom(folder).c_str(), SW_SHOW));
    // ShellExecute's codes up to 32 are failures; the ones below 32 are Win32 errors too.
    if (started <= 32) {
        if (!list.empty()) DeleteRealFile(list);
        return started > 0 && started < 32 ? HRESULT_FROM_WIN32(DWORD(started)) : E_FAIL;
    }
    return S_OK;
}

STDMETHODIMP CShredContextMenu::GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) { return S_OK; }

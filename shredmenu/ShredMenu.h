// ShredMenu.h - Grindhook, the shell's context-menu handler of Grindel: the
// handler object (IShellExtInit + IContextMenu) that adds one localized item
// to the menu of files and folders and starts Grindel with the selected
// names, its class factory, the settings read from Grindel's key once per
// load, and the registration the installer runs through the DLL's exports.
// The selection is read, and Grindel started, by the items' real names
// (RealNames.h): the ANSI spelling of a name outside the code page could be
// the name of another file. Starting Grindel goes through QvShellExecuteW (Seams.h).
// Deliberately not: verbs, icons or sub-menus; the item has no state of its own.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "InprocServer.h"
#include "RealNames.h"
#include "Strings.h"

namespace Grindhook {

// {82F4E188-BEAF-43D7-B3D0-2B8113D4B471}
extern const CLSID kClsid;
const char* const kClsidText = "{82F4E188-BEAF-43D7-B3D0-2B8113D4B471}";
const char* const kRegistryName = "QuorvaneGrindelContextMenu";
const char* const kMenuTextKey = "9606";
const int kMenuTextBuffer = 200;

CComModuleCount& Module();

// Grindel's AppPath and Language from root\key (an empty Language reads
// "English"); both stay empty when the key cannot be opened. The key is kept
// for ReloadShredderSettings, which reads Grindel's own key until one is set.
void LoadShredderSettings(HKEY root, const char* key);
void ReloadShredderSettings();
const CString& AppPath();
const CString& Language();

// The parameter text Grindel is started with: every name quoted, with the
// trailing lone quote its parser stops at ("a" "b" ").
CRealPath BuildShredParameters(const std::vector<CRealPath>& names);
// How many of the names, from the first, fit on one command line of program.
int NamesThatFit(const CRealPath& program, const std::vector<CRealPath>& names);
// The parameters that hand every name to program: the names themselves when
// they fit on one command line, else a list of them (*list: its file, to be
// deleted when program does not start). Empty when the list cannot be written.
CRealPath StartParameters(const CRealPath& program, const std::vector<CRealPath>& names, CRealPath* list);

// The registry entries; modulePath goes into InProcServer32.
HRESULT RegisterServer(const char* modulePath);
HRESULT UnregisterServer();

}  // namespace Grindhook

class CShredContextMenu : public IShellExtInit, public IContextMenu {
public:
    CShredContextMenu();
    virtual ~CShredContextMenu();
    CShredContextMenu(const CShredContextMenu&) = delete;
    CShredContextMenu& operator=(const CShredContextMenu&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Initialize(LPCITEMIDLIST folder, IDataObject* data, HKEY progIdKey) override;

    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId, UINT flags) override;
    STDMETHODIMP InvokeCommand(LPCMINVOKECOMMANDINFO info) override;
    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT* reserved, LPSTR name, UINT length) override;

    const std::vector<CRealPath>& Names() const { return m_names; }

private:
    volatile LONG m_refs = 1;
    IDataObject* m_data = nullptr;
    std::vector<CRealPath> m_names;
};

class CShredContextMenuFactory : public CComClassFactory<CShredContextMenu> {
public:
    CShredContextMenuFactory() : CComClassFactory(Grindhook::Module(), false) {}
};

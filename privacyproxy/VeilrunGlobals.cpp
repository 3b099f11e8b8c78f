#include "VeilrunGlobals.h"

#include <windows.h>
#include <shlobj.h>

#include "EventRecords.h"

CString g_strModuleDir;
int g_bSetIE = 1;
int g_bSetNetscape = 1;
int g_bSetOpera = 1;
int g_bWipeTempFiles = 0;
int g_bWipeHistory = 0;
int g_bWipeRecentDocs = 0;
int g_bWipeOfficeDocs = 0;
int g_bWipeRecycleBin = 0;
int g_bWipeCookies = 0;
CString g_strLanguage = "English";
CVeilrunPlaces g_Places;

const char* const kAutostartValue = "QuorvaneAnonymousServer";
const char* const kProgramTitle = "Quorvane Veilrun";

void ResetVeilrunSettings() {
    g_bSetIE = g_bSetNetscape = g_bSetOpera = 1;
    g_bWipeTempFiles = g_bWipeHistory = g_bWipeRecentDocs = g_bWipeOfficeDocs = g_bWipeRecycleBin = g_bWipeCookies = 0;
    g_strLanguage = "English";
    CCriticalSectionLock lock(g_csLists);
    g_bDefBlockPopups = g_bDefUseHub = g_bDefBlockImages = 0;
    g_bDefBlockCookies = g_bDefBlockReferer = g_bDefBlockUserAgent = 0;
}

CString ProgramFolderOf(const CString& path) {
    int cut = path.ReverseFind('\\');
    if (cut < 0) cut = path.ReverseFind('/');
    return cut < 0 ? CString() : path.Left(cut);
}

CString UserProfileFolder() {
    if (!g_Places.ProfileFolder.IsEmpty()) return g_Places.ProfileFolder;
    char desktop[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE)) return CString();
    return ProgramFolderOf(desktop);
}

CString IntToString(int n) {
    CString text;
    text.Format("%d", n);
    return text;
}

#include "EngineSettings.h"

#include <wininet.h>

#include "BlockResources.h"
#include "Files.h"
#include "Immortal.h"
#include "Sync.h"

static CImmortal<CEngineSettings> s_Engine;
CEngineSettings& g_Engine = s_Engine.value;

namespace {
// Never destroyed: a connection that outlasts the exit wait may still ask.
CCriticalSection& PublishedLock() {
    static CCriticalSection* lock = new CCriticalSection;
    return *lock;
}
ConnectionSettingsPtr& Published() {
    static ConnectionSettingsPtr* published = new ConnectionSettingsPtr;
    return *published;
}
}  // namespace

void PublishConnectionSettings(ConnectionSettingsPtr settings) {
    CCriticalSectionLock lock(PublishedLock());
    Published().swap(settings);
    // The old snapshot is released outside the lock (by settings' destructor).
    lock.Unlock();
}

ConnectionSettingsPtr CurrentConnectionSettings() {
    {
        CCriticalSectionLock lock(PublishedLock());
        if (Published()) return Published();
    }
    auto copy = std::make_shared<CConnectionSettings>();
    CConnectionValues& values = *copy;
    values.UseDefaultBufferSizes = g_Engine.UseDefaultBufferSizes;
    values.UseDefaultTimeOut = g_Engine.UseDefaultTimeOut;
    values.ConnectionTimeOut = g_Engine.ConnectionTimeOut;
    values.Disabled = g_Engine.Disabled;
    values.PlayWave = g_Engine.PlayWave;
    values.GatewayEnable = g_Engine.bGateway && g_Engine.GatewayEnable;
    if (values.GatewayEnable) values.GatewayIP = g_Engine.GatewayIP;
    values.GatewayPort = g_Engine.GatewayPort;
    values.PopupCatching = g_Engine.PopupCatching;
    copy->bHasScript = false;
    return copy;
}

CEngineSettings VeilrunEngineSettings() {
    return CEngineSettings();
}

CEngineSettings BlokkumEngineSettings() {
    CEngineSettings s;
    s.ConnectionTimeOut = 60;
    s.bSiteRecords = false;
    s.bAnonymousHub = false;
    s.bRequestFilters = false;
    s.bGateway = true;
    s.bTimeoutEndsConnection = false;
    s.bTestBind = true;
    s.bStartWinsock = false;
    s.bSocketErrorBox = false;
    return s;
}

CString EngineModuleFolder() {
    return g_Engine.ModuleFolder.IsEmpty() ? GetModuleFolder() : g_Engine.ModuleFolder;
}

bool EngineIsOnline() {
    if (g_Engine.IsOnline) return g_Engine.IsOnline();
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

bool EngineBypassKeyDown() {
    if (g_Engine.IsBypassKeyDown) return g_Engine.IsBypassKeyDown();
    return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
}

CString EnginePopupScript() {
    // Without a script of the program's own, the one LoadBlockResources loaded.
    return g_Engine.PopupScript ? g_Engine.PopupScript() : g_PopupScript;
}

void EngineReportError(const char* text) {
    if (g_Engine.ReportError) g_Engine.ReportError(text);
}

CString EngineSocketErrorText(int error) {
    return g_Engine.FormatSocketError ? g_Engine.FormatSocketError(error) : CString();
}

int LowerBufferSize(int size) {
    return size - 1024 < 2048 ? 2048 : size - 1024;
}

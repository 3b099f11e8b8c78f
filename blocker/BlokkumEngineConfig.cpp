#include "BlokkumEngineConfig.h"

#include "BlockResources.h"
#include "BlokkumShared.h"
#include "ErrorReport.h"

namespace {
const char kSoundFile[] = "PopUp.wav";
}

CBlokkumEngineConfig CBlokkumEngineConfig::FromSettings(const CBlokkumIniSettings& ini, const CString& script) {
    CBlokkumEngineConfig c;
    c.ListenPort = ini.PopupPort;
    c.GatewayEnable = ini.GatewayEnable != 0;
    c.GatewayIP = ini.GatewayIP;
    c.GatewayPort = int(ini.GatewayPort);
    c.Disabled = ini.Disabled != 0;
    c.PlayWave = ini.PlayWave != 0;
    c.PopupCatching = ini.PopupCatching ? 1 : 0;
    c.UseDefaultBufferSizes = ini.UseDefaultBufferSizes != 0;
    c.BufferSize = ini.BufferSize;
    c.UseDefaultTimeOut = ini.UseDefaultTimeOut != 0;
    c.ConnectionTimeOut = int(ini.ConnectionTimeOut);
    c.DNSCacheSize = ini.DNSCacheSize;
    c.DNSCacheDisable = ini.DNSCacheDisable != 0;
    c.PopupScript = script;
    return c;
}

CString BuildPopupScript(const CBlokkumSettings& settings) {
    const CString path = settings.ProgramFile(BLOKKUM_SCRIPT_FILE);
    CString script;
    if (!ReadFileToBuffer(script, path)) {
        CString warning;
        warning.Format("Warning: The %s file does not exist.\n\nFile name: '%s'", "Popup", path.c_str());
        ReportProxyError(warning);
        return CString();
    }
    FillPopupScriptPlaceholder(script, settings.m_ini.PlayWave != 0, settings.ProgramFile(kSoundFile));
    return script;
}

void ReloadEngineSettings(CBlokkumSettings& settings, CBlokkumEngineState& state) {
    settings.LoadIniSettings();
    PublishEngineSettings(settings, state);
}

void PublishEngineSettings(const CBlokkumSettings& settings, CBlokkumEngineState& state) {
    const CString script = BuildPopupScript(settings);
    state.Publish(std::make_shared<const CBlokkumEngineConfig>(CBlokkumEngineConfig::FromSettings(settings.m_ini, script)));
}

CString FormatWinsockError(int code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, DWORD(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    CString result = length && text ? CString(text, int(length)) : CString();
    if (text) LocalFree(text);
    result.TrimRight();
    // Wine's system message table has no Winsock texts.
    if (result.IsEmpty()) result.Format("Windows Sockets error %d", code);
    return result;
}

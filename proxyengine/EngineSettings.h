// EngineSettings.h - the engine's settings, the description of a program's
// variant of the engine, and the few seams (timings, program folder, online
// probe, key state, pop-up script, error reporter) that tests replace.
// One global, g_Engine; a program fills it before CProxyListener::Start.
// What a connection reads while it relays (CConnectionValues and the script)
// it takes as one immutable snapshot, at its start and at each request: a program that
// changes these while connections run publishes each new set with
// PublishConnectionSettings; until then each connection copies g_Engine's.
// Deliberately not: loading or saving settings (the programs own their files).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>

#include "Strings.h"

// The values a connection reads while it relays (Veilrun's built-in values
// as defaults).
struct CConnectionValues {
    int UseDefaultBufferSizes = 1;
    int UseDefaultTimeOut = 1;
    int ConnectionTimeOut = 240;
    int Disabled = 0;
    int PlayWave = 0;
    // Blokkum's own: the upstream gateway and the pop-up catching switch.
    int GatewayEnable = 0;
    CString GatewayIP;
    int GatewayPort = 0;
    int PopupCatching = 1;
};

// One connection's snapshot: the values and the text put in front of pages.
struct CConnectionSettings : CConnectionValues {
    CString PopupScript;
    // False in a copy of g_Engine: the script is asked for when a page needs
    // it, as g_Engine's texts are copied only when used (a connection that
    // outlives its program's exit must not copy them while they go).
    bool bHasScript = true;
};
using ConnectionSettingsPtr = std::shared_ptr<const CConnectionSettings>;

struct CEngineSettings : CConnectionValues {
    // Settings shared by both programs (Veilrun's built-in values as defaults).
    int ListenPort = 8100;
    volatile LONG BufferSize = 8192;
    int DNSCacheSize = 10;
    int DNSCacheDisable = 1;
    int CookieMode = 1;
    int DisableCookieScriptFilter = 1;

    // The variant: what this program's engine has.
    bool bSiteRecords = true;        // site list, event log, per-site options
    bool bAnonymousHub = true;       // requests may go through a hub
    bool bRequestFilters = true;     // blocking and header filters, referer hiding
    bool bGateway = false;           // GatewayEnable/GatewayIP/GatewayPort apply
    bool bTimeoutEndsConnection = true;
    bool bTestBind = false;          // a failed bind is reported at once
    bool bStartWinsock = true;       // Start calls WSAStartup itself
    bool bSocketErrorBox = true;     // a failed socket creation shows a box

    // Timings in milliseconds.
    DWORD StopWaitMs = 5000;
    DWORD CloseSocketPauseMs = 500;
    DWORD ExitPauseMs = 1000;
    DWORD DrainStepMs = 1000;
    int DrainStepsPerConnection = 10;
    // A browser connection the engine ends is read, and what comes discarded,
    // until the browser closes too, for at most this long and this many
    // bytes: closed with bytes unread, it is reset, and the reset drops the
    // reply's tail still on its way to the browser.
    DWORD CloseLingerMs = 5000;
    int CloseLingerBytes = 8 * 1024 * 1024;

    // Connection threads kept waiting for the next connection: a browser
    // opens its connections in bursts, and a thread started for each one
    // under Wine made the last of a burst wait for all the starts before it.
    // An idle thread holds only its stack's address space. Threads beyond
    // these end after ReadyThreadIdleMs without a connection.
    LONG ReadyThreads = 64;
    DWORD ReadyThreadIdleMs = 60000;

    // Limits that keep memory bounded whatever the network sends.
    int MaxRequestHeader = 64 * 1024;
    int MaxResponseHeader = 64 * 1024;
    int MaxHeldBody = 8 * 1024 * 1024;

    // Seams. Empty functions mean the real thing.
    CString ModuleFolder;                          // empty: the program's folder
    std::function<bool()> IsOnline;                // InternetGetConnectedState
    std::function<bool()> IsBypassKeyDown;         // Ctrl held down
    std::function<CString()> PopupScript;          // text put in front of pages (unpublished)
    std::function<void(const char*)> ReportError;  // the engine's error reporter
    std::function<CString(int)> FormatSocketError; // text of a Winsock error
    HWND hMainWindow = nullptr;                    // owner of the start-up box
};

extern CEngineSettings& g_Engine;

// The two programs' variants, with their built-in values.
CEngineSettings VeilrunEngineSettings();
CEngineSettings BlokkumEngineSettings();

// The snapshot new connections take; null goes back to copying g_Engine.
void PublishConnectionSettings(ConnectionSettingsPtr settings);
ConnectionSettingsPtr CurrentConnectionSettings();

CString EngineModuleFolder();
bool EngineIsOnline();
bool EngineBypassKeyDown();
CString EnginePopupScript();
void EngineReportError(const char* text);
CString EngineSocketErrorText(int error);

// Buffer size after WSAENOBUFS: 1024 less, never below 2048.
int LowerBufferSize(int size);

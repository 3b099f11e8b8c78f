// IEProxySettings.h - Internet Explorer pointed at Blokkum's proxy and back:
// the LAN settings and each dial-up connection listed under Internet
// Settings\Connections, the check whether Internet Explorer already uses the
// proxy text, and the set and reset the wizard and Blokkout apply.
// The per-connection options go through InternetQueryOptionA and
// InternetSetOptionA; the connection list and every check read the registry
// of the context, so tests list fake connections from a key of their own.
// A set or reset changes the HTTP/1.1 value and every chosen connection
// together or not at all: all are read first, and a failed step puts back
// those already changed (the LAN through its registry values, as they were
// byte for byte); Blokkout's reset goes on past a failure instead.
// Deliberately not: automatic configuration scripts or other proxy texts.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "Arrays.h"
#include "BrowserProxyContext.h"
#include "Strings.h"

// What one connection holds of the options a set or reset writes.
struct IEConnectionOptions {
    DWORD flags = PROXY_TYPE_DIRECT;
    CString server;
    CString bypass;
};

struct DialUpConnection {
    CString name;     // the value name under Connections
    int greyed = 0;   // shown greyed in the wizard, never checked
    int checked = 0;  // set by the wizard's check-list
};

class CIEProxySettings {
public:
    explicit CIEProxySettings(const CBrowserProxyContext& context) : m_context(context) {}
    virtual ~CIEProxySettings() = default;

    // Set mode greys connections that carry the proxy already; reset mode
    // greys those that do not and counts the others as configured.
    void ListDialUpConnections(bool setMode);
    // The connection's settings blob has flags 3 and the proxy text, whose
    // 32-bit length must fit inside the blob.
    bool IsConnectionProxySet(const char* name) const;
    // Over the listed connections only.
    bool IsAnyConnectionProxySet() const;
    // ProxyEnable is on and ProxyServer is the proxy text.
    bool IsLanProxySet() const;
    // The LAN carries the proxy, or (whatever ProxyEnable says) any
    // connection does.
    bool IsProxySet() const;
    // Whether a connection's options (the LAN's from its registry values)
    // hold Blokkum's proxy server, whatever their flags say: what a set
    // keeps and a reset gives back is judged by this.
    bool HoldsOwnProxy(const IEConnectionOptions& options) const;
    // The LAN and dial-up flags, in memory and under Proxy Setting, made to
    // say what Internet Explorer really uses: a flag left behind by a change
    // made elsewhere must not hide a browser from the wizard.
    void CorrectFlags();

    // One connection's options as they are now (connection null: the LAN).
    virtual bool QueryConnectionOptions(const char* connection, IEConnectionOptions& options) const;
    // Writes the flags, the proxy server and the bypass.
    // Virtual so that tests stand in for the dial-up connections, which Wine
    // does not keep apart from the LAN.
    virtual bool ApplyConnectionOptions(const char* connection, const IEConnectionOptions& options) const;

    CArray<DialUpConnection> m_connections;
    CArray<int> m_greyed;
    int m_connectionCount = 0;
    int m_greyedCount = 0;
    int m_configuredCount = 0;

    const CBrowserProxyContext& Context() const { return m_context; }
    CString ConnectionsKey() const { return m_context.system.internetSettingsKey + "\\Connections"; }
    // The value names under Connections that are connections, in registry
    // order: the list and every check go by this one.
    CStringArray ConnectionNames() const;

private:
    const CBrowserProxyContext& m_context;
};

// A set keeps what each connection held before the proxy first goes on it
// (flags, server, bypass) under Proxy Setting\Internet Explorer (a
// CProxyRecord); a reset puts that back on each connection that still holds
// Blokkum's server, switched on or off, leaves alone one that someone has
// set otherwise since, and forgets what it kept.
// The wizard's choices: LAN and/or the checked dial-up connections, all or
// nothing. True when every one changed and the flags follow; on a failure one
// box tells what failed and whether everything could be put back, and the
// flags stay as they were. Best effort (Blokkout) resets every connection it
// can, the flags follow those, and one box (2244) names what is still set.
bool SetIEProxy(CIEProxySettings& settings, bool lanChosen, bool dialUpChosen);
bool ResetIEProxy(CIEProxySettings& settings, bool lanChosen, bool dialUpChosen,
                  ResetRule rule = ResetRule::kAllOrNothing);

// The default value of App Paths\<exe>; false when it is missing or empty.
bool FindAppPath(const CBrowserSystem& system, const char* exeName, CString& path);
// "%d.%d.%d.%d" of the file's fixed version and its first count (at most 4)
// parts; false when the file has no version information.
bool GetFileVersion(const char* file, CString* text, int* parts, int count);

#include "AnonymousHub.h"

#include <cstdlib>

#include "DnsCache.h"
#include "EngineSettings.h"
#include "Files.h"
#include "Immortal.h"
#include "ProxyListener.h"

static CImmortal<CCriticalSection> s_csHub;
CCriticalSection& g_csHub = s_csHub.value;
int g_bHubAvailable = 0;
static CImmortal<CString> s_strHubHost;
CString& g_strHubHost = s_strHubHost.value;
int g_nHubPort = 0;
int g_nNextHubIndex = 0;
static CImmortal<CString> s_strHubListPath;
CString& g_strHubListPath = s_strHubListPath.value;
DWORD g_dwHubProbeTimeOut = 5000;

namespace {
// Held for a whole choice, so two threads never probe the list at once; the
// hub state itself is under g_csHub, which is never held across a probe.
static CImmortal<CCriticalSection> s_csHubChoice;
CCriticalSection& g_csHubChoice = s_csHubChoice.value;
// Counts finished choices, so a thread that waited for one can take its result.
long g_nChoices = 0;
int g_bLastChoiceFound = 0;

CStringArray ReadHubList() {
    CStringArray lines;
    CString text;
    const CString path =
        g_strHubListPath.IsEmpty() ? JoinPath(EngineModuleFolder(), "Block\\AnonPS.txt") : g_strHubListPath;
    if (!ReadWholeFile(path, text)) return lines;
    for (CString line : SplitText(text, "\n")) {
        line.Trim();
        if (!line.IsEmpty()) lines.Add(line);
    }
    return lines;
}

// Host and port of one list line, split at its last ':'; false for a line
// without one. A port that is no number (or out of range) comes out as 0 and
// fails its probe.
bool ParseHubLine(const CString& line, CString& host, int& port) {
    const int colon = line.ReverseFind(':');
    if (colon < 0) return false;
    host = line.Left(colon);
    host.Trim();
    const long value = strtol(line.Mid(colon + 1), nullptr, 10);
    port = value > 0 && value <= 0xFFFF ? int(value) : 0;
    return true;
}

void FinishChoice(bool found, const CString& host, int port, int nextIndex) {
    CCriticalSectionLock lock(g_csHub);
    if (found) {
        g_strHubHost = host;
        g_nHubPort = port;
        g_nNextHubIndex = nextIndex;
    }
    g_bHubAvailable = found ? 1 : 0;
    g_bLastChoiceFound = g_bHubAvailable;
    ++g_nChoices;
}

// The program chooses its first hub before the listener starts WinSock, so
// the probe must not rely on that; WSAStartup counts its callers.
void StartWinsockOnce() {
    static LONG started = 0;
    if (InterlockedExchange(&started, 1) == 0) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
}

// Runs with g_csHubChoice held.
int ChooseHoldingChoiceLock() {
    StartWinsockOnce();
    if (!EngineIsOnline()) {
        FinishChoice(false, CString(), 0, 0);
        return 0;
    }
    const CStringArray lines = ReadHubList();
    const int count = lines.GetSize();
    int start;
    {
        CCriticalSectionLock lock(g_csHub);
        start = g_nNextHubIndex < count ? g_nNextHubIndex : 0;
    }
    for (int i = 0; i < count; ++i) {
        const int index = (start + i) % count;
        CString host;
        int port = 0;
        if (!ParseHubLine(lines[index], host, port)) continue;
        SOCKET probe = ConnectBlocking(host, port);
        if (probe == INVALID_SOCKET) continue;
        closesocket(probe);
        FinishChoice(true, host, port, (index + 1) % count);
        return 1;
    }
    FinishChoice(false, CString(), 0, 0);
    return 0;
}
}  // namespace

int ChooseAnonymousHub() {
    CCriticalSectionLock choosing(g_csHubChoice);
    return ChooseHoldingChoiceLock();
}

int EnsureAnonymousHub() {
    long seen;
    {
        CCriticalSectionLock lock(g_csHub);
        if (g_bHubAvailable) return 1;
        seen = g_nChoices;
    }
    CCriticalSectionLock choosing(g_csHubChoice);
    {
        CCriticalSectionLock lock(g_csHub);
        if (g_bHubAvailable) return 1;
        if (g_nChoices != seen && !g_bLastChoiceFound) return 0;
    }
    return ChooseHoldingChoiceLock();
}

bool GetAnonymousHub(CString& host, int& port) {
    CCriticalSectionLock lock(g_csHub);
    if (!g_bHubAvailable) return false;
    host = g_strHubHost;
    port = g_nHubPort;
    return true;
}

void MarkHubUnavailable(const CString& host, int port) {
    CCriticalSectionLock lock(g_csHub);
    if (g_strHubHost == host && g_nHubPort == port) g_bHubAvailable = 0;
}

SOCKET ConnectBlocking(const char* host, int port, DWORD timeOut) {
    if (!host || !*host || port <= 0 || port > 0xFFFF) return INVALID_SOCKET;
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = htons(u_short(port));
    target.sin_addr.s_addr = ResolveHostAddress(host);
    if (target.sin_addr.s_addr == 0) return INVALID_SOCKET;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return INVALID_SOCKET;
    if (!g_Engine.UseDefaultBufferSizes) {
        setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&g_nSystemSendBuffer), sizeof(int));
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&g_nSystemRecvBuffer), sizeof(int));
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    bool connected = connect(s, reinterpret_cast<sockaddr*>(&target), sizeof(target)) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval wait = {long(timeOut / 1000), long(timeOut % 1000) * 1000};
        if (select(0, nullptr, &writable, &failed, &wait) > 0 && FD_ISSET(s, &writable) && !FD_ISSET(s, &failed)) {
            int error = 0;
            int length = sizeof(error);
            connected = getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                        error == 0;
        }
    }
    if (!connected) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
    return s;
}

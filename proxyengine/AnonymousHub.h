// AnonymousHub.h - the upstream anonymous hub: chosen round robin from the
// hub list Block\AnonPS.txt (read anew at every choice), probed with a plain
// TCP connect that gives up after a time-out, and marked unavailable when a
// connection through it fails.
// Deliberately not: any HTTP exchange with the hub, or writing the list.
#pragma once

#include <winsock2.h>

#include "Strings.h"
#include "Sync.h"

// Hub state, guarded by g_csHub. Connection threads copy host and port out
// with GetAnonymousHub rather than reading the string while another thread
// replaces it.
extern CCriticalSection& g_csHub;
extern int g_bHubAvailable;
extern CString& g_strHubHost;
extern int g_nHubPort;
extern int g_nNextHubIndex;

// Full path of the hub list, set with the other block files (SetBlockFolder);
// when empty, Block\AnonPS.txt in the engine's module folder.
extern CString& g_strHubListPath;

// How long a probe (and any ConnectBlocking) waits for the connect; a dead
// hub must not hold a browser request for the minutes of a TCP time-out.
extern DWORD g_dwHubProbeTimeOut;

// Chooses the next reachable hub of the list; 1 when one was found, 0 also
// when the machine is offline (EngineIsOnline). Only one thread chooses at a time.
int ChooseAnonymousHub();
// 1 when a hub is known; otherwise chooses one. A thread that waited while
// another one chose takes that choice instead of probing the list again.
int EnsureAnonymousHub();
// Copies the current hub out; false when none is available.
bool GetAnonymousHub(CString& host, int& port);
// A connection through host:port failed. Only that hub is marked unavailable:
// another thread may already have chosen a new one.
void MarkHubUnavailable(const CString& host, int port);

// A connected, blocking TCP socket to host:port (a dotted address, or a name
// through the host-name cache), or INVALID_SOCKET; the connect gives up
// after timeOut milliseconds.
SOCKET ConnectBlocking(const char* host, int port, DWORD timeOut = g_dwHubProbeTimeOut);

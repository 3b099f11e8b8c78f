#include "DnsCache.h"

#include <winsock2.h>

#include <cstring>

#include "EngineSettings.h"
#include "Immortal.h"

static CImmortal<CCriticalSection> s_csDNSCache;
CCriticalSection& g_csDNSCache = s_csDNSCache.value;

static DNSCacheEntry g_DNSCache[kDNSCacheEntries];
static int g_nDNSReplaceIndex = 0;

static int UsedEntries() {
    if (g_Engine.DNSCacheDisable || g_Engine.DNSCacheSize <= 0) return 0;
    return g_Engine.DNSCacheSize > kDNSCacheEntries ? kDNSCacheEntries : g_Engine.DNSCacheSize;
}

DWORD DNSCacheLookup(const char* host) {
    CCriticalSectionLock lock(g_csDNSCache);
    int used = UsedEntries();
    for (int i = 0; i < used && g_DNSCache[i].dwAddress != 0; ++i)
        if (strcmp(g_DNSCache[i].szHost, host) == 0) return g_DNSCache[i].dwAddress;
    return 0;
}

void DNSCacheAdd(const char* host, DWORD address) {
    if (address == 0 || strlen(host) > 255) return;
    CCriticalSectionLock lock(g_csDNSCache);
    int used = UsedEntries();
    if (used == 0) return;
    int slot = -1;
    for (int i = 0; i < used; ++i)
        if (g_DNSCache[i].dwAddress == 0) { slot = i; break; }
    if (slot < 0) {
        // The size may have been lowered since the index last moved.
        if (g_nDNSReplaceIndex >= used) g_nDNSReplaceIndex = 0;
        slot = g_nDNSReplaceIndex++;
        if (g_nDNSReplaceIndex >= used) g_nDNSReplaceIndex = 0;
    }
    strcpy(g_DNSCache[slot].szHost, host);
    g_DNSCache[slot].dwAddress = address;
}

void DNSCacheClear() {
    CCriticalSectionLock lock(g_csDNSCache);
    memset(g_DNSCache, 0, sizeof(g_DNSCache));
    g_nDNSReplaceIndex = 0;
}

DWORD ResolveHostAddress(const char* host) {
    DWORD address = inet_addr(host);
    if (address != INADDR_NONE && address != 0) return address;
    address = DNSCacheLookup(host);
    if (address) return address;
    hostent* entry = gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) return 0;
    memcpy(&address, entry->h_addr_list[0], sizeof(address));
    DNSCacheAdd(host, address);
    return address;
}

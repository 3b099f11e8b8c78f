// DnsCache.h - the host-name cache: a fixed table of 101 entries that
// remembers the IPv4 address gethostbyname gave for a name. Entries are
// filled from the front and, once the used part is full, replaced round-robin.
// g_Engine.DNSCacheSize entries are used (0: off; clamped to 1..101);
// g_Engine.DNSCacheDisable switches it off. g_csDNSCache guards every call.
// Deliberately not: expiry, negative entries, case-insensitive names.
#pragma once

#include <windows.h>

#include "Sync.h"

struct DNSCacheEntry {
    char szHost[256];   // up to 255 characters and a terminating zero
    DWORD dwAddress;    // network byte order; 0 marks a free entry
};

const int kDNSCacheEntries = 101;

extern CCriticalSection& g_csDNSCache;

// Address of a cached name, or 0 when the cache is off or the name is not in it.
DWORD DNSCacheLookup(const char* host);
void DNSCacheAdd(const char* host, DWORD address);
// Empties the table and the replacement index (start-up state).
void DNSCacheClear();
// Resolves a dotted address, the cache, then the resolver; 0 when none knows it.
DWORD ResolveHostAddress(const char* host);

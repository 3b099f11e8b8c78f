// UserInfoFilter.h - the header lines that identify the user: cookies, the
// User-Agent and cross-site referers, removed from a request's header lines
// (request line first, each line with its line end). The connection's
// request filters decide per site which of them go.
// Deliberately not: response headers or cookies inside page bodies.
#pragma once

#include "Strings.h"

// Removes every header line whose name matches (name with its colon, any
// case), together with the folded continuation lines that belong to it, so
// no part of a removed value reaches the server. Returns the lines removed.
int RemoveHeaderLines(CStringArray& lines, const char* nameWithColon);

// The domain a referer must belong to for a request to host: the host from
// its first dot on when it has two dots or more, else the whole host; a
// dotted address is always whole.
CString SiteDomainOf(const CString& host);

// Whether a Referer (or Referrer) value names a page of the host's domain.
// The value's own host is compared, never a text search through the URL: a
// foreign page must not pass by carrying the domain in its path or query.
bool IsSameSiteReferer(const CString& value, const CString& host);

// Removes the Referer and Referrer lines that name another site; returns the
// lines removed.
int RemoveForeignReferers(CStringArray& lines, const CString& host);

// RequestFilters.h - where per-site filtering meets the connection: the site
// lookup and hub requirement before a request goes on, the hub as the target,
// the canned block replies, and the removal of identifying header lines.
// The hooks are members of CProxyConnection (declared in ProxyConnection.h);
// their bodies in RequestFilters.cpp are the site records' concern. The
// connection calls them only when g_Engine's variant has site records or
// request filters (Blokkum's has neither).
#pragma once

#include "ProxyConnection.h"

#include "ErrorReport.h"

#include <windows.h>

namespace {
ProxyErrorHook g_hook;
}

int ReportProxyError(const char* text) {
    if (!text) text = "";
    OutputDebugStringA(text);
    if (g_hook) g_hook(text);
    return 0;
}

void SetProxyErrorHook(ProxyErrorHook hook) { g_hook = std::move(hook); }

// ErrorReport.h - ReportProxyError, where Blokkum sends the failures it does
// not show the user: listener start-up failures and QVINI.ini write failures.
// It shows nothing and returns 0; the text goes to the debugger output and to
// an optional hook, so a test (or a later log) can see what was reported.
// Deliberately not: a message box or a log file.
#pragma once

#include <functional>

int ReportProxyError(const char* text);

using ProxyErrorHook = std::function<void(const char* text)>;
// Empty function: back to the debugger output only. Set before threads start.
void SetProxyErrorHook(ProxyErrorHook hook);

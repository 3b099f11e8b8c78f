// The Task Scheduler's class and interface identifiers are not in MinGW's
// uuid library; they are defined here, once.
#include <windows.h>
#include <ole2.h>
#include <initguid.h>
#include <mstask.h>

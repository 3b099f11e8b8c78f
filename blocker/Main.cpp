// Blokkum's application object; the framework's WinMain runs its start-up.
#include "PopupBlockerApp.h"

CPopupBlockerApp theApp;

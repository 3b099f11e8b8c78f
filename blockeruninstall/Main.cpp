// Blokkout's application object; the framework's WinMain runs its one pass.
#include "UninstallerApp.h"

CUninstallerApp theApp;

// Veilrun's entry: the framework's WinMain runs this application object.
#include "VeilrunApp.h"

CVeilrunApp theApp;

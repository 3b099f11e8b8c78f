// The one application object of Swiftlane.exe; the framework's WinMain runs it.
#include "Swiftlane.h"

CSwiftlaneApp theApp;

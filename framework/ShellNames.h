// ShellNames.h - the real names (RealNames.h) of what the shell hands a
// program: the files of a drop or a selection (HDROP), and the path of an
// item id list. The ANSI forms of these calls spell a name outside the code
// page by best fit, which may be the name of another file beside it.
// Deliberately not: the drop itself (DragAcceptFiles, DragFinish) or shell items.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "RealNames.h"

// Every name of the drop, whole whatever its length; empty names left out.
std::vector<CRealPath> DroppedRealPaths(HDROP drop);
// The file system path of the item; empty when it has none.
CRealPath RealPathOfIdList(LPCITEMIDLIST list);

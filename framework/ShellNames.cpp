#include "ShellNames.h"

#include <shellapi.h>

std::vector<CRealPath> DroppedRealPaths(HDROP drop) {
    std::vector<CRealPath> names;
    const bool wide = HasWideFileCalls();
    const UINT count = wide ? DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) : DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // The full length, never a fixed buffer: a name cut short could be the path of another file.
        CRealPath name;
        if (wide) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            name.assign(size_t(length) + 1, L'\0');
            name.resize(DragQueryFileW(drop, i, &name[0], length + 1));
        } else {
            const UINT length = DragQueryFileA(drop, i, nullptr, 0);
            CString ansi;
            const UINT got = DragQueryFileA(drop, i, ansi.GetBuffer(int(length)), length + 1);
            ansi.ReleaseBuffer(int(got));
            name = RealPathFrom(ansi);
        }
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

CRealPath RealPathOfIdList(LPCITEMIDLIST list) {
    if (!list) return CRealPath();
    if (!HasWideFileCalls()) {
        char path[MAX_PATH] = "";
        return SHGetPathFromIDListA(list, path) ? RealPathFrom(path) : CRealPath();
    }
    wchar_t path[MAX_PATH] = L"";
    return SHGetPathFromIDListW(list, path) ? CRealPath(path) : CRealPath();
}

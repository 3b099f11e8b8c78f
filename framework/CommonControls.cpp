#include "CommonControls.h"

#include "Seams.h"

namespace {
const char kLibrary[] = "comctl32.dll";
}  // namespace

// Each function is looked up once; the library then stays loaded.
#define QV_LATE(type, name) static const type bound = LateProc<type>(kLibrary, name)

BOOL QvInitCommonControlsEx(DWORD classes) {
    typedef BOOL(WINAPI * Proc)(const INITCOMMONCONTROLSEX*);
    QV_LATE(Proc, "InitCommonControlsEx");
    const INITCOMMONCONTROLSEX init = {sizeof init, classes};
    return bound ? bound(&init) : FALSE;
}

HIMAGELIST QvImageListCreate(int cx, int cy, UINT flags, int initial, int grow) {
    typedef HIMAGELIST(WINAPI * Proc)(int, int, UINT, int, int);
    QV_LATE(Proc, "ImageList_Create");
    return bound ? bound(cx, cy, flags, initial, grow) : nullptr;
}

BOOL QvImageListDestroy(HIMAGELIST list) {
    typedef BOOL(WINAPI * Proc)(HIMAGELIST);
    QV_LATE(Proc, "ImageList_Destroy");
    return bound ? bound(list) : FALSE;
}

int QvImageListAdd(HIMAGELIST list, HBITMAP bitmap, HBITMAP mask) {
    typedef int(WINAPI * Proc)(HIMAGELIST, HBITMAP, HBITMAP);
    QV_LATE(Proc, "ImageList_Add");
    return bound ? bound(list, bitmap, mask) : -1;
}

int QvImageListAddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF mask) {
    typedef int(WINAPI * Proc)(HIMAGELIST, HBITMAP, COLORREF);
    QV_LATE(Proc, "ImageList_AddMasked");
    return bound ? bound(list, bitmap, mask) : -1;
}

int QvImageListAddIcon(HIMAGELIST list, HICON icon) {
    typedef int(WINAPI * Proc)(HIMAGELIST, int, HICON);
    QV_LATE(Proc, "ImageList_ReplaceIcon");
    return bound ? bound(list, -1, icon) : -1;
}

int QvImageListGetImageCount(HIMAGELIST list) {
    typedef int(WINAPI * Proc)(HIMAGELIST);
    QV_LATE(Proc, "ImageList_GetImageCount");
    return bound ? bound(list) : 0;
}

HPROPSHEETPAGE QvCreatePropertySheetPage(const PROPSHEETPAGEA* page) {
    typedef HPROPSHEETPAGE(WINAPI * Proc)(const PROPSHEETPAGEA*);
    QV_LATE(Proc, "CreatePropertySheetPageA");
    return bound ? bound(page) : nullptr;
}

BOOL QvDestroyPropertySheetPage(HPROPSHEETPAGE page) {
    typedef BOOL(WINAPI * Proc)(HPROPSHEETPAGE);
    QV_LATE(Proc, "DestroyPropertySheetPage");
    return bound ? bound(page) : FALSE;
}

INT_PTR QvPropertySheet(const PROPSHEETHEADERA* header) {
    typedef INT_PTR(WINAPI * Proc)(const PROPSHEETHEADERA*);
    QV_LATE(Proc, "PropertySheetA");
    return bound ? bound(header) : -1;
}

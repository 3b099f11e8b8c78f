// CommonControls.h - the common-controls library (comctl32) reached through
// these functions, which load it when first called. Loading it registers its
// window classes, and under Wine that opens the display: a program that can
// run with no window at all (Grindel's scheduled runs) must not pay for that
// at start-up. The functions behave as their namesakes, and fail as those do
// (null, -1 or FALSE) when the library or the function is missing.
// Offers: QvInitCommonControlsEx, the image-list and property-sheet calls the
// framework and the programs make.
// Deliberately not: every comctl32 function; a program that shows a window at
// once may call the library directly.
#pragma once

#include <windows.h>
#include <commctrl.h>

BOOL QvInitCommonControlsEx(DWORD classes);

HIMAGELIST QvImageListCreate(int cx, int cy, UINT flags, int initial, int grow);
BOOL QvImageListDestroy(HIMAGELIST list);
int QvImageListAdd(HIMAGELIST list, HBITMAP bitmap, HBITMAP mask);
int QvImageListAddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF mask);
int QvImageListAddIcon(HIMAGELIST list, HICON icon);
int QvImageListGetImageCount(HIMAGELIST list);

HPROPSHEETPAGE QvCreatePropertySheetPage(const PROPSHEETPAGEA* page);
BOOL QvDestroyPropertySheetPage(HPROPSHEETPAGE page);
INT_PTR QvPropertySheet(const PROPSHEETHEADERA* header);

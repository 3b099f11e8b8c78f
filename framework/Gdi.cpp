#include "Gdi.h"

HFONT CopyFontWithUnderline(HFONT font, bool underline) {
    LOGFONTA log{};
    HGDIOBJ source = font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT);
    if (!GetObjectA(source, sizeof log, &log)) return nullptr;
    log.lfUnderline = underline ? TRUE : FALSE;
    return CreateFontIndirectA(&log);
}

HBITMAP LoadBitmapFile(const char* path, int cx, int cy) {
    return static_cast<HBITMAP>(LoadImageA(nullptr, path, IMAGE_BITMAP, cx, cy, LR_LOADFROMFILE));
}

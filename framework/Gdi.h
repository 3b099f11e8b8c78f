// Gdi.h - RAII owners of the GDI objects the skinned dialogs draw with:
// CGdiObject<T> (bitmap, pen, brush, font, deleted with the object),
// CSelectObject (selects into a DC and puts the old object back), and the DCs
// CClientDC, CPaintDC and CMemoryDC (a compatible DC with its own bitmap).
// Deliberately not: a drawing API of its own; the Win32 calls take the handles.
#pragma once

#include <windows.h>

template <typename T>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(T handle) : m_handle(handle) {}
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_handle(other.Detach()) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }
    void Attach(T handle) { DeleteObject(); m_handle = handle; }
    T Detach() { T h = m_handle; m_handle = nullptr; return h; }
    void DeleteObject() {
        if (m_handle) ::DeleteObject(m_handle);
        m_handle = nullptr;
    }
    T Get() const { return m_handle; }
    operator T() const { return m_handle; }

private:
    T m_handle = nullptr;
};

using CBitmap = CGdiObject<HBITMAP>;
using CPen = CGdiObject<HPEN>;
using CBrush = CGdiObject<HBRUSH>;
using CFont = CGdiObject<HFONT>;

// A copy of font (or of the GUI font when null) with the underline switched.
HFONT CopyFontWithUnderline(HFONT font, bool underline);
// A bitmap file loaded at its own size (0, 0) or stretched; null when missing.
HBITMAP LoadBitmapFile(const char* path, int cx = 0, int cy = 0);

class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectObject() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    ~CClientDC() {
        if (m_dc) ::ReleaseDC(m_hwnd, m_dc);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc = nullptr;
};

class CMemoryDC {
public:
    CMemoryDC(HDC reference, int width, int height)
        : m_dc(::CreateCompatibleDC(reference)), m_bitmap(::CreateCompatibleBitmap(reference, width, height)),
          m_old(m_dc && m_bitmap ? ::SelectObject(m_dc, m_bitmap) : nullptr) {}
    ~CMemoryDC() {
        if (m_old) ::SelectObject(m_dc, m_old);
        if (m_bitmap) ::DeleteObject(m_bitmap);
        if (m_dc) ::DeleteDC(m_dc);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    operator HDC() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }

private:
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
};

#pragma once

#include <windows.h>

// Small owners of the Win32 handles the window uses: each releases its handle in its
// destructor, so every path out of a handler gives them back.

class CKernelHandle {
public:
    explicit CKernelHandle(HANDLE h = nullptr) noexcept : m_h(h) {}
    ~CKernelHandle() { Close(); }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;
    CKernelHandle(CKernelHandle&& other) noexcept : m_h(other.m_h) { other.m_h = nullptr; }
    CKernelHandle& operator=(CKernelHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_h = other.m_h;
            other.m_h = nullptr;
        }
        return *this;
    }
    HANDLE Get() const noexcept { return m_h; }

private:
    void Close() noexcept
    {
        if (m_h) CloseHandle(m_h);
        m_h = nullptr;
    }
    HANDLE m_h;
};

class CGdiBitmap {
public:
    CGdiBitmap() noexcept = default;
    ~CGdiBitmap() { Reset(); }
    CGdiBitmap(const CGdiBitmap&) = delete;
    CGdiBitmap& operator=(const CGdiBitmap&) = delete;
    // Loads a bitmap resource; Get() is null when it could not be loaded.
    void Load(HINSTANCE hInstance, UINT nID) noexcept
    {
        Reset();
        m_h = LoadBitmapW(hInstance, MAKEINTRESOURCEW(nID));
    }
    HBITMAP Get() const noexcept { return m_h; }

private:
    void Reset() noexcept
    {
        if (m_h) DeleteObject(m_h);
        m_h = nullptr;
    }
    HBITMAP m_h = nullptr;
};

class CPaintContext {
public:
    explicit CPaintContext(HWND hWnd) noexcept : m_hWnd(hWnd) { m_hdc = BeginPaint(hWnd, &m_ps); }
    ~CPaintContext() { EndPaint(m_hWnd, &m_ps); }
    CPaintContext(const CPaintContext&) = delete;
    CPaintContext& operator=(const CPaintContext&) = delete;
    HDC Get() const noexcept { return m_hdc; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hdc;
};

class CMemoryDC {
public:
    explicit CMemoryDC(HDC hdcLike) noexcept : m_hdc(CreateCompatibleDC(hdcLike)) {}
    ~CMemoryDC() { if (m_hdc) DeleteDC(m_hdc); }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    HDC Get() const noexcept { return m_hdc; }

private:
    HDC m_hdc;
};

// Selects an object into a DC and selects the previous one back on destruction.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ hObject) noexcept : m_hdc(hdc), m_hPrevious(SelectObject(hdc, hObject)) {}
    ~CSelectObject() { if (m_hPrevious) SelectObject(m_hdc, m_hPrevious); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_hPrevious;
};

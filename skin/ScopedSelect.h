#pragma once

#include <windows.h>

// Selects a GDI object into a device context and selects the previous one back at the end of
// its scope, so the object can be deleted and the context is left as it was found.
class CScopedSelect {
public:
    CScopedSelect(HDC hdc, HGDIOBJ hObject) : m_hdc(hdc), m_hPrevious(SelectObject(hdc, hObject)) {}
    ~CScopedSelect()
    {
        if (m_hPrevious && m_hPrevious != HGDI_ERROR)
            SelectObject(m_hdc, m_hPrevious);
    }
    CScopedSelect(const CScopedSelect&) = delete;
    CScopedSelect& operator=(const CScopedSelect&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_hPrevious;
};

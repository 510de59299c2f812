#pragma once

#include <objbase.h>

#include <cstddef>
#include <cstring>

// A COM stream over a copy of the bytes; GDI+ reads an image from it for as long as the image
// lives, so it must outlive the image.
class CMemoryStream {
public:
    CMemoryStream(const void* pData, std::size_t nSize) noexcept
    {
        const HGLOBAL hGlobal = GlobalAlloc(GMEM_MOVEABLE, nSize);
        if (!hGlobal)
            return;
        if (void* pCopy = GlobalLock(hGlobal)) {
            std::memcpy(pCopy, pData, nSize);
            GlobalUnlock(hGlobal);
            if (SUCCEEDED(CreateStreamOnHGlobal(hGlobal, TRUE, &m_pStream)))
                return;
        }
        m_pStream = nullptr;
        GlobalFree(hGlobal);
    }
    ~CMemoryStream()
    {
        if (m_pStream)
            m_pStream->Release();
    }
    CMemoryStream(const CMemoryStream&) = delete;
    CMemoryStream& operator=(const CMemoryStream&) = delete;

    IStream* Get() const noexcept { return m_pStream; }

private:
    IStream* m_pStream = nullptr;
};

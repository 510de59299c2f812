#include "skin/PictureLoader.h"

#include "skin/MemoryDC.h"
#include "skin/ScopedBitmap.h"
#include "skin/ScopedSelect.h"
#include "skin/ScreenDC.h"

namespace {

// The resource type of the larger sets' PNG files (RT_RCDATA).
const wchar_t* const kPictureSetType = MAKEINTRESOURCEW(10);

HINSTANCE ProgramInstance() noexcept
{
    return GetModuleHandleW(nullptr);
}

SIZE BitmapSize(HBITMAP hBitmap) noexcept
{
    BITMAP bm{};
    if (!GetObjectW(hBitmap, sizeof bm, &bm))
        return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight};
}

// A copy of the bitmap at cx x cy pixels, averaged by GDI's halftone stretching; null on failure.
HBITMAP StretchedBitmap(HBITMAP hSource, int cx, int cy) noexcept
{
    const SIZE source = BitmapSize(hSource);
    const CScreenDC screen;
    if (!screen || source.cx <= 0 || source.cy <= 0)
        return nullptr;
    CScopedBitmap result(CreateCompatibleBitmap(screen.Get(), cx, cy));
    const CMemoryDC sourceDC(screen.Get());
    const CMemoryDC resultDC(screen.Get());
    if (!result || !sourceDC || !resultDC)
        return nullptr;
    {
        const CScopedSelect selectSource(sourceDC.Get(), hSource);
        const CScopedSelect selectResult(resultDC.Get(), result.Get());
        SetStretchBltMode(resultDC.Get(), HALFTONE);
        SetBrushOrgEx(resultDC.Get(), 0, 0, nullptr);
        if (!StretchBlt(resultDC.Get(), 0, 0, cx, cy, sourceDC.Get(), 0, 0, source.cx, source.cy, SRCCOPY))
            return nullptr;
    }
    return result.Release();
}

} // namespace

HBITMAP CPictureLoader::Load(UINT nBitmapId, int cx, int cy) noexcept
{
    if (m_scale.PictureSetPercent() != 100) {
        if (const HBITMAP hPicture = LoadFromSet(nBitmapId, cx, cy))
            return hPicture;
    }
    CScopedBitmap bitmap(LoadBitmapW(ProgramInstance(), MAKEINTRESOURCEW(nBitmapId)));
    if (!bitmap)
        return nullptr;
    const SIZE size = BitmapSize(bitmap.Get());
    if (size.cx == cx && size.cy == cy)
        return bitmap.Release();
    // Without a picture of the size, the 100% one stretched is still better than a half-covered
    // window; should stretching fail too, the 100% picture as it is.
    if (const HBITMAP hStretched = StretchedBitmap(bitmap.Get(), cx, cy))
        return hStretched;
    return bitmap.Release();
}

HBITMAP CPictureLoader::LoadFromSet(UINT nBitmapId, int cx, int cy) noexcept
{
    const int nResourceId = m_scale.PictureResourceId(static_cast<int>(nBitmapId));
    const HRSRC hInfo = FindResourceW(ProgramInstance(), MAKEINTRESOURCEW(nResourceId), kPictureSetType);
    const HGLOBAL hData = hInfo ? LoadResource(ProgramInstance(), hInfo) : nullptr;
    const void* pData = hData ? LockResource(hData) : nullptr;
    if (!pData)
        return nullptr;
    if (!m_gdiPlus)
        m_gdiPlus.emplace();
    return m_gdiPlus->DecodeBitmap(pData, SizeofResource(ProgramInstance(), hInfo), cx, cy);
}

#include "skin/GdiPlus.h"

#include "skin/GdiPlusObject.h"
#include "skin/MemoryStream.h"

#include <objbase.h>

#include <gdiplus.h>

#include <new>

using namespace Gdiplus;

// The flat API's entry points that the program uses, found in the loaded DLL.
struct CGdiPlus::Api {
    decltype(&GdiplusStartup) Startup = nullptr;
    decltype(&GdiplusShutdown) Shutdown = nullptr;
    decltype(&DllExports::GdipCreateBitmapFromStream) CreateBitmapFromStream = nullptr;
    decltype(&DllExports::GdipCreateBitmapFromScan0) CreateBitmapFromScan0 = nullptr;
    decltype(&DllExports::GdipDisposeImage) DisposeImage = nullptr;
    decltype(&DllExports::GdipGetImageWidth) GetImageWidth = nullptr;
    decltype(&DllExports::GdipGetImageHeight) GetImageHeight = nullptr;
    decltype(&DllExports::GdipGetImageGraphicsContext) GetImageGraphicsContext = nullptr;
    decltype(&DllExports::GdipDeleteGraphics) DeleteGraphics = nullptr;
    decltype(&DllExports::GdipSetInterpolationMode) SetInterpolationMode = nullptr;
    decltype(&DllExports::GdipSetPixelOffsetMode) SetPixelOffsetMode = nullptr;
    decltype(&DllExports::GdipCreateImageAttributes) CreateImageAttributes = nullptr;
    decltype(&DllExports::GdipSetImageAttributesWrapMode) SetImageAttributesWrapMode = nullptr;
    decltype(&DllExports::GdipDisposeImageAttributes) DisposeImageAttributes = nullptr;
    decltype(&DllExports::GdipDrawImageRectRectI) DrawImageRectRectI = nullptr;
    decltype(&DllExports::GdipCreateHBITMAPFromBitmap) CreateHBITMAPFromBitmap = nullptr;

    // True when every entry point was found.
    bool Load(HMODULE hModule) noexcept
    {
        return Find(hModule, Startup, "GdiplusStartup") && Find(hModule, Shutdown, "GdiplusShutdown") &&
               Find(hModule, CreateBitmapFromStream, "GdipCreateBitmapFromStream") &&
               Find(hModule, CreateBitmapFromScan0, "GdipCreateBitmapFromScan0") &&
               Find(hModule, DisposeImage, "GdipDisposeImage") &&
               Find(hModule, GetImageWidth, "GdipGetImageWidth") &&
               Find(hModule, GetImageHeight, "GdipGetImageHeight") &&
               Find(hModule, GetImageGraphicsContext, "GdipGetImageGraphicsContext") &&
               Find(hModule, DeleteGraphics, "GdipDeleteGraphics") &&
               Find(hModule, SetInterpolationMode, "GdipSetInterpolationMode") &&
               Find(hModule, SetPixelOffsetMode, "GdipSetPixelOffsetMode") &&
               Find(hModule, CreateImageAttributes, "GdipCreateImageAttributes") &&
               Find(hModule, SetImageAttributesWrapMode, "GdipSetImageAttributesWrapMode") &&
               Find(hModule, DisposeImageAttributes, "GdipDisposeImageAttributes") &&
               Find(hModule, DrawImageRectRectI, "GdipDrawImageRectRectI") &&
               Find(hModule, CreateHBITMAPFromBitmap, "GdipCreateHBITMAPFromBitmap");
    }

private:
    template <typename Function>
    static bool Find(HMODULE hModule, Function& pfn, const char* szName) noexcept
    {
        pfn = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(hModule, szName)));
        return pfn != nullptr;
    }
};

CGdiPlus::CGdiPlus() noexcept : m_hModule(LoadLibraryW(L"gdiplus.dll"))
{
    if (!m_hModule)
        return;
    m_pApi.reset(new (std::nothrow) Api);
    if (!m_pApi || !m_pApi->Load(m_hModule))
        return;
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (m_pApi->Startup(&token, &input, nullptr) == Ok)
        m_token = token;
}

CGdiPlus::~CGdiPlus()
{
    if (m_token)
        m_pApi->Shutdown(m_token);
    if (m_hModule)
        FreeLibrary(m_hModule);
}

HBITMAP CGdiPlus::DecodeBitmap(const void* pData, std::size_t nSize, int cx, int cy) const noexcept
{
    if (!m_token || !pData || nSize == 0 || cx <= 0 || cy <= 0)
        return nullptr;
    const CMemoryStream stream(pData, nSize);
    if (!stream.Get())
        return nullptr;
    CGdiPlusObject<GpBitmap, decltype(Api::DisposeImage)> image(m_pApi->DisposeImage);
    if (m_pApi->CreateBitmapFromStream(stream.Get(), image.Receive()) != Ok)
        return nullptr;
    return ToBitmap(image.Get(), cx, cy);
}

// The image as a GDI bitmap of cx x cy pixels.
HBITMAP CGdiPlus::ToBitmap(GpBitmap* pSource, int cx, int cy) const noexcept
{
    UINT nWidth = 0;
    UINT nHeight = 0;
    if (m_pApi->GetImageWidth(pSource, &nWidth) != Ok || m_pApi->GetImageHeight(pSource, &nHeight) != Ok)
        return nullptr;
    CGdiPlusObject<GpBitmap, decltype(Api::DisposeImage)> resized(m_pApi->DisposeImage);
    GpBitmap* pResult = pSource;
    if (nWidth != static_cast<UINT>(cx) || nHeight != static_cast<UINT>(cy)) {
        if (m_pApi->CreateBitmapFromScan0(cx, cy, 0, PixelFormat24bppRGB, nullptr, resized.Receive()) != Ok)
            return nullptr;
        CGdiPlusObject<GpGraphics, decltype(Api::DeleteGraphics)> graphics(m_pApi->DeleteGraphics);
        CGdiPlusObject<GpImageAttributes, decltype(Api::DisposeImageAttributes)> attributes(
            m_pApi->DisposeImageAttributes);
        if (m_pApi->GetImageGraphicsContext(resized.Get(), graphics.Receive()) != Ok ||
            m_pApi->CreateImageAttributes(attributes.Receive()) != Ok)
            return nullptr;
        // Pixel centres at half pixels and mirrored edges: the edge rows are not blended with
        // the nothing outside the picture.
        m_pApi->SetInterpolationMode(graphics.Get(), InterpolationModeHighQualityBicubic);
        m_pApi->SetPixelOffsetMode(graphics.Get(), PixelOffsetModeHalf);
        m_pApi->SetImageAttributesWrapMode(attributes.Get(), WrapModeTileFlipXY, 0, FALSE);
        if (m_pApi->DrawImageRectRectI(graphics.Get(), pSource, 0, 0, cx, cy, 0, 0, static_cast<INT>(nWidth),
                                       static_cast<INT>(nHeight), UnitPixel, attributes.Get(), nullptr,
                                       nullptr) != Ok)
            return nullptr;
        pResult = resized.Get();
    }
    HBITMAP hBitmap = nullptr;
    if (m_pApi->CreateHBITMAPFromBitmap(pResult, &hBitmap, 0xFF000000) != Ok)
        return nullptr;
    return hBitmap;
}

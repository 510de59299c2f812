#include "skin/DisplayScale.h"

namespace {

constexpr int kPictureSetDpis[] = {96, 120, 144, 192};

} // namespace

CDisplayScale::CDisplayScale(int nDpi) noexcept : m_nDpi(nDpi > 0 ? nDpi : kBaseDpi) {}

int CDisplayScale::Scale(int nPixels96) const noexcept
{
    return (nPixels96 * m_nDpi + kBaseDpi / 2) / kBaseDpi;
}

int CDisplayScale::PictureSetDpi() const noexcept
{
    for (int nSetDpi : kPictureSetDpis) {
        if (nSetDpi >= m_nDpi)
            return nSetDpi;
    }
    return kPictureSetDpis[sizeof kPictureSetDpis / sizeof kPictureSetDpis[0] - 1];
}

int CDisplayScale::PictureSetPercent() const noexcept
{
    return PictureSetDpi() * 100 / kBaseDpi;
}

int CDisplayScale::PictureResourceId(int nBitmapId) const noexcept
{
    const int nPercent = PictureSetPercent();
    return nPercent == 100 ? nBitmapId : nPercent * 100 + nBitmapId;
}

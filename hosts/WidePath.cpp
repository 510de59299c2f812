#include "hosts/WidePath.h"

#include <windows.h>

bool ToWidePath(const std::string& ansiPath, std::wstring& widePath)
{
    widePath.clear();
    if (ansiPath.empty())
        return false;
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansiPath.data(),
                                           static_cast<int>(ansiPath.size()), nullptr, 0);
    if (length <= 0)
        return false;
    widePath.resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansiPath.data(),
                               static_cast<int>(ansiPath.size()), widePath.data(), length)
           == length;
}

bool ToAnsiPath(const std::wstring& widePath, std::string& ansiPath)
{
    ansiPath.clear();
    if (widePath.empty())
        return false;
    BOOL bDefaultUsed = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, widePath.data(),
                                           static_cast<int>(widePath.size()), nullptr, 0, nullptr,
                                           &bDefaultUsed);
    if (length <= 0 || bDefaultUsed)
        return false;
    ansiPath.resize(static_cast<std::size_t>(length));
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, widePath.data(),
                               static_cast<int>(widePath.size()), ansiPath.data(), length, nullptr,
                               &bDefaultUsed)
               == length
           && !bDefaultUsed;
}

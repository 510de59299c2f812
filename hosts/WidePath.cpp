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
                               static_cast<int>(ansiPath.size()), &widePath[0], length)
           == length;
}

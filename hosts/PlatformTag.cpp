#include "hosts/PlatformTag.h"

#ifdef _WIN32
#include <windows.h>
#endif

std::string DecidePlatformTag(const std::optional<PlatformVersion>& version)
{
    if (!version)
        return "WINXP";
    if (version->dwPlatformId == 0)
        return "WIN32";
    if (version->dwPlatformId == 1)
        return "WIN9X";
    if (version->dwPlatformId != 2)
        return "WINXP";
    if (version->dwMajorVersion <= 4)
        return "WINNT";
    if (version->dwMajorVersion != 5)
        return "WINXP";
    // 5.0 is Windows 2000; 5.2 (Server 2003, XP x64) is counted with it.
    return version->dwMinorVersion == 0 || version->dwMinorVersion == 2 ? "WIN2K" : "WINXP";
}

#ifdef _WIN32
std::string GetPlatformTag()
{
    // The extended record first; platforms that do not know it accept the plain one.
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    BOOL bQueried = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
    if (!bQueried) {
        info = OSVERSIONINFOEXA{};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        bQueried = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
    }
    if (!bQueried)
        return DecidePlatformTag(std::nullopt);
    return DecidePlatformTag(
        PlatformVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion});
}
#endif

#include "hosts/HostsPath.h"

#ifdef _WIN32
#include "hosts/PlatformTag.h"

#include <windows.h>
#endif

#include <vector>

HostsDirectory HostsDirectoryFor(const std::string& tag)
{
    return tag == "WIN9X" ? HostsDirectory::Windows : HostsDirectory::System;
}

std::string MakeHostsFilePath(const std::string& tag, const std::string& directory)
{
    return directory
           + (HostsDirectoryFor(tag) == HostsDirectory::Windows ? "\\HOSTS" : "\\DRIVERS\\ETC\\HOSTS");
}

std::string QueryWholeDirectory(const std::function<unsigned(char* buffer, unsigned size)>& query)
{
    std::vector<char> buffer(64);
    // A few rounds: the directory could change between the two queries.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const unsigned size = static_cast<unsigned>(buffer.size());
        const unsigned length = query(buffer.data(), size);
        if (length == 0)
            return {};
        if (length < size)
            return std::string(buffer.data(), length);
        buffer.assign(length + 1, '\0');
    }
    return {};
}

#ifdef _WIN32
std::string GetHostsFilePath()
{
    const std::string tag = GetPlatformTag();
    const std::string directory =
        HostsDirectoryFor(tag) == HostsDirectory::Windows
            ? QueryWholeDirectory([](char* buffer, unsigned size) {
                  return static_cast<unsigned>(GetWindowsDirectoryA(buffer, size));
              })
            : QueryWholeDirectory([](char* buffer, unsigned size) {
                  return static_cast<unsigned>(GetSystemDirectoryA(buffer, size));
              });
    if (directory.empty())
        return {};
    return MakeHostsFilePath(tag, directory);
}
#endif

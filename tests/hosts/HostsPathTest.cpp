#include "hosts/HostsPath.h"
#include "hosts/PlatformTag.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

TEST(PlatformTag, DecidedByPlatformAndVersion)
{
    struct Case {
        std::uint32_t platform, major, minor;
        const char* tag;
    };
    const std::vector<Case> cases = {
        {0, 3, 10, "WIN32"}, {1, 4, 10, "WIN9X"}, {1, 4, 90, "WIN9X"},
        {2, 3, 51, "WINNT"}, {2, 4, 0, "WINNT"},  {2, 5, 0, "WIN2K"},
        {2, 5, 1, "WINXP"},  {2, 5, 2, "WIN2K"},  {2, 5, 3, "WINXP"},
        {2, 6, 0, "WINXP"},  {2, 10, 0, "WINXP"}, {3, 5, 0, "WINXP"},
        {0xFFFFFFFFu, 4, 0, "WINXP"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecidePlatformTag(PlatformVersion{c.platform, c.major, c.minor}), c.tag)
            << c.platform << " " << c.major << "." << c.minor;
    }
    EXPECT_EQ(DecidePlatformTag(std::nullopt), "WINXP");
}

TEST(HostsPath, DirectoryAndSuffixFollowTheTag)
{
    struct Case {
        const char* tag;
        const char* directory;
        HostsDirectory queried;
        const char* path;
    };
    const std::vector<Case> cases = {
        {"WIN9X", "C:\\WINDOWS", HostsDirectory::Windows, "C:\\WINDOWS\\HOSTS"},
        {"WINNT", "C:\\WINNT\\system32", HostsDirectory::System, "C:\\WINNT\\system32\\DRIVERS\\ETC\\HOSTS"},
        {"WIN32", "C:\\WINDOWS\\SYSTEM", HostsDirectory::System, "C:\\WINDOWS\\SYSTEM\\DRIVERS\\ETC\\HOSTS"},
        {"WIN2K", "D:\\WINNT\\system32", HostsDirectory::System, "D:\\WINNT\\system32\\DRIVERS\\ETC\\HOSTS"},
        {"WINXP", "C:\\", HostsDirectory::System, "C:\\\\DRIVERS\\ETC\\HOSTS"},
        {"WIN9X", "C:\\", HostsDirectory::Windows, "C:\\\\HOSTS"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HostsDirectoryFor(c.tag), c.queried) << c.tag;
        EXPECT_EQ(MakeHostsFilePath(c.tag, c.directory), c.path) << c.tag;
    }
}

TEST(HostsPath, DirectoryQueryAlwaysGivesTheWholeText)
{
    // A query shaped like GetSystemDirectoryA over a given directory text.
    auto directoryQuery = [](const std::string& directory, int* calls) {
        return [directory, calls](char* buffer, unsigned size) -> unsigned {
            ++*calls;
            if (directory.size() + 1 > size)
                return static_cast<unsigned>(directory.size() + 1);
            std::memcpy(buffer, directory.c_str(), directory.size() + 1);
            return static_cast<unsigned>(directory.size());
        };
    };
    for (std::size_t length : {10u, 63u, 64u, 100u, 300u}) {
        const std::string directory = "C:\\" + std::string(length - 3, 'd');
        int calls = 0;
        EXPECT_EQ(QueryWholeDirectory(directoryQuery(directory, &calls)), directory) << length;
        EXPECT_EQ(calls, length < 64 ? 1 : 2) << length;
    }
    EXPECT_EQ(QueryWholeDirectory([](char*, unsigned) { return 0u; }), "");
    // Always too small: gives up rather than use a partial text.
    EXPECT_EQ(QueryWholeDirectory([](char*, unsigned size) { return size + 1; }), "");
}

#ifdef _WIN32
TEST(HostsPath, WinePrefixHostsFile)
{
    const std::string path = GetHostsFilePath();
    EXPECT_EQ(path, "C:\\windows\\system32\\DRIVERS\\ETC\\HOSTS");
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}
#endif

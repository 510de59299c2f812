#include "hosts/HostsPath.h"

#ifdef _WIN32
#include "hosts/DataBasePath.h"

#include <windows.h>
#endif

#include <algorithm>
#include <cctype>
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

namespace {

// The HOSTS path and the rewrite's names beside it (".tirox-new", ".tirox-old") must fit the
// classic path limit of the file calls.
constexpr std::size_t kMaxDataBasePath = 240;

bool IsAbsoluteDirectory(const std::string& path)
{
    const bool bDrive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'
                        && path[2] == '\\';
    const bool bShare = path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
    return bDrive || bShare;
}

// An unexpanded variable, a control character or a name that no file call takes means the value
// does not name a directory that the resolver could have read.
bool IsUsableDataBasePath(const std::string& path)
{
    if (path.empty() || path.size() > kMaxDataBasePath || !IsAbsoluteDirectory(path))
        return false;
    return std::none_of(path.begin(), path.end(), [](char c) {
        const auto uc = static_cast<unsigned char>(c);
        return uc < 0x20 || c == '%' || c == '"' || c == '<' || c == '>' || c == '|' || c == '*' || c == '?';
    });
}

} // namespace

std::string DecideHostsFilePath(const std::string& dataBasePath, const std::string& systemDirectory)
{
    if (IsUsableDataBasePath(dataBasePath)) {
        const std::size_t end = dataBasePath.find_last_not_of('\\');
        return dataBasePath.substr(0, end + 1) + "\\HOSTS";
    }
    if (systemDirectory.empty())
        return {};
    return MakeHostsFilePath("WINNT", systemDirectory);
}

#ifdef _WIN32
std::string GetHostsFilePath()
{
    const std::string systemDirectory = QueryWholeDirectory([](char* buffer, unsigned size) {
        return static_cast<unsigned>(GetSystemDirectoryA(buffer, size));
    });
    return DecideHostsFilePath(QueryDataBasePath(), systemDirectory);
}
#endif

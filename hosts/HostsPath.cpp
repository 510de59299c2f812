#include "hosts/HostsPath.h"

#ifdef _WIN32
#include "hosts/DataBasePath.h"

#include <windows.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

std::string MakeHostsFilePath(const std::string& systemDirectory)
{
    return systemDirectory + "\\DRIVERS\\ETC\\HOSTS";
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

// Windows' variable names ignore case; compared in ASCII, so that no locale and no byte of a
// double-byte character takes part.
bool EqualsIgnoringCase(const std::string& text, const char* name)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return text.size() == std::strlen(name)
           && std::equal(text.begin(), text.end(), name, [&](char a, char b) { return lower(a) == lower(b); });
}

bool NamesWindowsDirectory(const std::string& variable)
{
    return EqualsIgnoringCase(variable, "SystemRoot") || EqualsIgnoringCase(variable, "windir");
}

} // namespace

std::optional<std::string> ExpandDataBasePath(const std::string& value, const std::string& windowsDirectory)
{
    std::string path;
    std::size_t from = 0;
    for (std::size_t open = value.find('%'); open != std::string::npos; open = value.find('%', from)) {
        const std::size_t close = value.find('%', open + 1);
        if (close == std::string::npos || windowsDirectory.empty()
            || !NamesWindowsDirectory(value.substr(open + 1, close - open - 1)))
            return std::nullopt;
        path.append(value, from, open - from).append(windowsDirectory);
        if (path.size() > kMaxDataBasePath)
            return std::nullopt;
        from = close + 1;
    }
    path.append(value, from, std::string::npos);
    if (path.size() > kMaxDataBasePath)
        return std::nullopt;
    return path;
}

namespace {

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
    return MakeHostsFilePath(systemDirectory);
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

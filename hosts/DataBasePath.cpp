#include "hosts/DataBasePath.h"

#include "hosts/HostsPath.h"
#include "hosts/RegistryKey.h"
#include "hosts/WidePath.h"

#include <windows.h>

#include <vector>

namespace {

constexpr const char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr const char kDataBasePathValue[] = "DataBasePath";
// Longer than any path the program could use; a longer value is not one.
constexpr DWORD kMaxValueBytes = 1024;

// The text up to its first NUL: a registry string need not end in one, or may hold several.
std::string TextOf(std::string_view bytes)
{
    return std::string(bytes.substr(0, bytes.find('\0')));
}

// The Windows directory as the system knows it, in the ANSI code page; empty when it cannot be
// had or has no exact ANSI spelling. Not GetWindowsDirectory, which on a terminal server gives
// each user a directory of their own.
std::string SystemWindowsDirectory()
{
    // A longer directory would make a path over the limit anyway.
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    const UINT length = GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    std::string directory;
    if (length == 0 || length >= buffer.size() || !ToAnsiPath(std::wstring(buffer.data(), length), directory))
        return {};
    return directory;
}

} // namespace

std::string QueryDataBasePath()
{
    CRegistryKey key;
    if (!key.OpenForReading(HKEY_LOCAL_MACHINE, kParametersKey))
        return {};
    std::vector<char> data(kMaxValueBytes);
    DWORD type = 0;
    DWORD size = kMaxValueBytes;
    if (RegQueryValueExA(key.Get(), kDataBasePathValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS
        || size > kMaxValueBytes)
        return {};
    return DataBasePathOfValue(type, std::string_view(data.data(), size), SystemWindowsDirectory());
}

std::string DataBasePathOfValue(unsigned long type, std::string_view bytes, const std::string& windowsDirectory)
{
    if (type == REG_SZ)
        return TextOf(bytes);
    if (type == REG_EXPAND_SZ)
        return ExpandDataBasePath(TextOf(bytes), windowsDirectory).value_or(std::string());
    return {};
}

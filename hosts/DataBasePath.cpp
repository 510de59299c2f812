#include "hosts/DataBasePath.h"

#include "hosts/RegistryKey.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

constexpr const char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr const char kDataBasePathValue[] = "DataBasePath";
// Longer than any path the program could use; a longer value is not one.
constexpr DWORD kMaxValueBytes = 1024;

// The text up to its first NUL: a registry string need not end in one, or may hold several.
std::string TextOf(const std::vector<char>& data, DWORD size)
{
    const char* begin = data.data();
    const auto* end = static_cast<const char*>(std::memchr(begin, '\0', size));
    return std::string(begin, end ? end : begin + size);
}

std::string ExpandVariables(const std::string& text)
{
    std::vector<char> buffer(MAX_PATH);
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (needed == 0 || needed > buffer.size())
        return {};
    return std::string(buffer.data());
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
    if (type == REG_SZ)
        return TextOf(data, size);
    if (type == REG_EXPAND_SZ)
        return ExpandVariables(TextOf(data, size));
    return {};
}

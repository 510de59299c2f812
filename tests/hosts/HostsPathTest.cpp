#include "hosts/HostsPath.h"

#ifdef _WIN32
#include "ImportPatch.h"
#include "hosts/DataBasePath.h"
#include "hosts/RegistryKey.h"
#endif

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

TEST(HostsPath, UnderTheSystemDirectory)
{
    struct Case {
        const char* directory;
        const char* path;
    };
    const std::vector<Case> cases = {
        {"C:\\WINNT\\system32", "C:\\WINNT\\system32\\DRIVERS\\ETC\\HOSTS"},
        {"D:\\WINDOWS\\system32", "D:\\WINDOWS\\system32\\DRIVERS\\ETC\\HOSTS"},
        {"C:\\", "C:\\\\DRIVERS\\ETC\\HOSTS"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeHostsFilePath(c.directory), c.path) << c.directory;
}

TEST(HostsPath, ResolverDirectoryWhenUsableElseSystemDirectory)
{
    const std::string system = "C:\\WINDOWS\\system32";
    const std::string inSystem = "C:\\WINDOWS\\system32\\DRIVERS\\ETC\\HOSTS";
    struct Case {
        std::string dataBasePath;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"D:\\net\\etc", "D:\\net\\etc\\HOSTS"},
        {"D:\\net\\etc\\", "D:\\net\\etc\\HOSTS"},
        {"C:\\", "C:\\HOSTS"},
        {"\\\\server\\share\\etc", "\\\\server\\share\\etc\\HOSTS"},
        {"C:\\" + std::string(237, 'd'), "C:\\" + std::string(237, 'd') + "\\HOSTS"},
        // Not usable: the system directory's HOSTS.
        {"", inSystem},
        {"etc", inSystem},
        {"\\etc", inSystem},
        {"C:etc", inSystem},
        {"%SystemRoot%\\System32\\drivers\\etc", inSystem},
        {"C:\\" + std::string(238, 'd'), inSystem},
        {"C:\\etc\nD:\\x", inSystem},
        {"C:\\etc?", inSystem},
        {"C:\\100%", inSystem},
        {"\\\\\\server\\share\\etc", inSystem},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecideHostsFilePath(c.dataBasePath, system), c.path) << c.dataBasePath;
    EXPECT_EQ(DecideHostsFilePath("", ""), "");
    EXPECT_EQ(DecideHostsFilePath("D:\\etc", ""), "D:\\etc\\HOSTS");
}

namespace {

std::string Repeated(const std::string& text, int count)
{
    std::string repeated;
    for (int i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}

} // namespace

TEST(HostsPath, DataBasePathExpandsOnlyTheWindowsDirectory)
{
    const std::string windows = "C:\\WINDOWS";
    struct Case {
        std::string value;
        std::optional<std::string> expanded;
    };
    const std::vector<Case> cases = {
        {"%SystemRoot%\\System32\\drivers\\etc", "C:\\WINDOWS\\System32\\drivers\\etc"},
        {"%windir%\\System32\\drivers\\etc", "C:\\WINDOWS\\System32\\drivers\\etc"},
        {"%SYSTEMROOT%\\a;%WinDir%\\b;%systemroot%", "C:\\WINDOWS\\a;C:\\WINDOWS\\b;C:\\WINDOWS"},
        {"x%SystemRoot%y", "xC:\\WINDOWSy"},
        {"D:\\net\\etc", "D:\\net\\etc"},
        {"", ""},
        {"C:\\" + std::string(237, 'd'), "C:\\" + std::string(237, 'd')},
        {"%SystemRoot%\\" + std::string(229, 'd'), windows + "\\" + std::string(229, 'd')},
        // Not usable: the system directory is used instead.
        {"%SystemDrive%\\WINDOWS\\System32\\drivers\\etc", std::nullopt},
        {"%USERPROFILE%\\etc", std::nullopt},
        {"%SystemRoot%\\%TiroxNoSuchVariable%", std::nullopt},
        {"%System Root%\\etc", std::nullopt},
        {"%SystemRoot\\etc", std::nullopt},
        {"%SystemRoot%\\etc%", std::nullopt},
        {"C:\\100%", std::nullopt},
        {"%%", std::nullopt},
        {"C:\\a%%b", std::nullopt},
        {"C:\\" + std::string(238, 'd'), std::nullopt},
        {"%SystemRoot%\\" + std::string(230, 'd'), std::nullopt},
        {Repeated("%windir%", 30), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandDataBasePath(c.value, windows), c.expanded) << c.value;
    // An unknown Windows directory expands nothing.
    EXPECT_EQ(ExpandDataBasePath("%SystemRoot%\\System32\\drivers\\etc", ""), std::nullopt);
    EXPECT_EQ(ExpandDataBasePath("D:\\net\\etc", ""), "D:\\net\\etc");
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
namespace {

constexpr const char kParametersKey[] = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";

// Sets DataBasePath (or with type REG_NONE removes it) for the test's lifetime, then puts back
// what the prefix had.
class CDataBasePathValue {
public:
    CDataBasePathValue(DWORD type, const std::string& data) : m_bHad(SavePrefixValue())
    {
        WriteValue(type, data);
    }
    CDataBasePathValue(const CDataBasePathValue&) = delete;
    CDataBasePathValue& operator=(const CDataBasePathValue&) = delete;
    ~CDataBasePathValue() { WriteValue(m_bHad ? m_type : REG_NONE, m_data); }

private:
    // Whether the prefix has the value; its type and bytes into m_type and m_data.
    bool SavePrefixValue()
    {
        CRegistryKey key;
        if (!key.OpenForReading(HKEY_LOCAL_MACHINE, kParametersKey))
            return false;
        char buffer[1024];
        DWORD size = sizeof buffer;
        const bool bHad = RegQueryValueExA(key.Get(), "DataBasePath", nullptr, &m_type,
                                           reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS;
        if (bHad)
            m_data.assign(buffer, size);
        return bHad;
    }
    // Sets the value, or with type REG_NONE removes it.
    static void WriteValue(DWORD type, const std::string& data)
    {
        HKEY hKey = nullptr;
        const bool bOpened = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &hKey, nullptr) == ERROR_SUCCESS;
        ASSERT_TRUE(bOpened);
        if (type == REG_NONE) {
            RegDeleteValueA(hKey, "DataBasePath");
        } else {
            const bool bSet = RegSetValueExA(hKey, "DataBasePath", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                             static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
            EXPECT_TRUE(bSet);
        }
        RegCloseKey(hKey);
    }

    // Filled by SavePrefixValue, which m_bHad's initializer calls: declared before it.
    DWORD m_type = REG_NONE;
    std::string m_data;
    bool m_bHad = false;
};

// Sets a variable of this process's environment for the test's lifetime, as a standard user can
// for a program elevated from their session, then puts back what it was.
class CEnvironmentVariable {
public:
    CEnvironmentVariable(const char* szName, const char* szValue) : m_name(szName)
    {
        char buffer[1024];
        const DWORD length = GetEnvironmentVariableA(szName, buffer, sizeof buffer);
        m_bHad = length > 0 && length < sizeof buffer;
        if (m_bHad)
            m_value.assign(buffer, length);
        EXPECT_TRUE(SetEnvironmentVariableA(szName, szValue));
    }
    CEnvironmentVariable(const CEnvironmentVariable&) = delete;
    CEnvironmentVariable& operator=(const CEnvironmentVariable&) = delete;
    ~CEnvironmentVariable() { SetEnvironmentVariableA(m_name.c_str(), m_bHad ? m_value.c_str() : nullptr); }

private:
    std::string m_name;
    std::string m_value;
    bool m_bHad = false;
};

// A registry string's bytes: the text and its terminating NUL.
std::string Sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

TEST(HostsPath, WinePrefixHostsFile)
{
    const std::string path = GetHostsFilePath();
    EXPECT_EQ(Lower(path), "c:\\windows\\system32\\drivers\\etc\\hosts");
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(HostsPath, FollowsTheResolverDataBasePath)
{
    const std::string system = "c:\\windows\\system32\\drivers\\etc\\hosts";
    struct Case {
        DWORD type;
        std::string data;
        std::string path;
    };
    const std::string dword("\x01\x00\x00\x00", 4);
    const std::vector<Case> cases = {
        {REG_SZ, Sz("D:\\etc"), "d:\\etc\\hosts"},
        {REG_SZ, "D:\\etc", "d:\\etc\\hosts"},
        {REG_EXPAND_SZ, Sz("%SystemRoot%\\tirox"), "c:\\windows\\tirox\\hosts"},
        {REG_EXPAND_SZ, Sz("%TiroxNoSuchVariable%\\etc"), system},
        // A plain string is taken as it stands, and no directory name holds a '%'.
        {REG_SZ, Sz("%SystemRoot%\\tirox"), system},
        {REG_NONE, "", system},
        {REG_SZ, Sz(""), system},
        {REG_DWORD, dword, system},
        {REG_BINARY, "D:\\etc", system},
        {REG_MULTI_SZ, Sz("D:\\etc") + Sz(""), system},
        {REG_SZ, "C:\\" + std::string(1100, 'd'), system},
    };
    for (const Case& c : cases) {
        const CDataBasePathValue value(c.type, c.data);
        EXPECT_EQ(Lower(GetHostsFilePath()), c.path) << c.type << " " << c.data;
    }
}

TEST(HostsPath, DataBasePathIgnoresTheEnvironment)
{
    const CEnvironmentVariable systemRoot("SystemRoot", "C:\\users\\Public\\evil");
    const CEnvironmentVariable windir("windir", "C:\\users\\Public\\evil");
    const CEnvironmentVariable systemDrive("SystemDrive", "C:\\users\\Public\\evil");
    const std::string system = "c:\\windows\\system32\\drivers\\etc\\hosts";
    struct Case {
        std::string value;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"%SystemRoot%\\System32\\drivers\\etc", system},
        {"%WINDIR%\\tirox", "c:\\windows\\tirox\\hosts"},
        {"%SystemDrive%\\tirox", system},
    };
    for (const Case& c : cases) {
        const CDataBasePathValue value(REG_EXPAND_SZ, Sz(c.value));
        EXPECT_EQ(Lower(GetHostsFilePath()), c.path) << c.value;
    }
}
// Wine's registry always stores a string with its NUL, so the value's bytes are handed over here
// as Windows may deliver them: without a NUL, with several, or with bytes after the first one.
TEST(HostsPath, DataBasePathValueIsItsTextUpToTheFirstNul)
{
    const std::string windows = "C:\\WINDOWS";
    struct Case {
        DWORD type;
        std::string bytes;
        std::size_t nSize;
        std::string path;
    };
    const std::vector<Case> cases = {
        {REG_SZ, "D:\\etcXYZ", 6, "D:\\etc"},
        {REG_SZ, Sz("D:\\etc") + "XYZ", 10, "D:\\etc"},
        {REG_SZ, std::string("D:\\etc\0E:\\x\0", 12), 12, "D:\\etc"},
        {REG_EXPAND_SZ, "%SystemRoot%\\tirox%", 18, "C:\\WINDOWS\\tirox"},
        {REG_EXPAND_SZ, Sz("%SystemRoot%\\tirox"), 19, "C:\\WINDOWS\\tirox"},
        {REG_SZ, Sz("%SystemRoot%\\tirox"), 19, "%SystemRoot%\\tirox"},
        {REG_SZ, "D:\\etc", 0, ""},
        {REG_MULTI_SZ, Sz("D:\\etc") + Sz(""), 8, ""},
        {REG_BINARY, "D:\\etc", 6, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DataBasePathOfValue(c.type, std::string_view(c.bytes.data(), c.nSize), windows), c.path)
            << c.type << " " << c.bytes;
    }
}

namespace {

using DirectoryQueryW = UINT(WINAPI*)(LPWSTR, UINT);
using DirectoryQueryA = UINT(WINAPI*)(LPSTR, UINT);

// What the system and a user's own Windows directory are made to be: they differ on a terminal
// server, where GetWindowsDirectory gives each user a directory of their own.
template <typename Char>
UINT CopyDirectory(const Char* szDirectory, Char* buffer, UINT size)
{
    UINT length = 0;
    while (szDirectory[length] != 0)
        ++length;
    if (size <= length)
        return length + 1;
    for (UINT i = 0; i <= length; ++i)
        buffer[i] = szDirectory[i];
    return length;
}
UINT WINAPI SystemWindowsDirectoryW(LPWSTR buffer, UINT size)
{
    return CopyDirectory(L"C:\\TiroxSystemWindows", buffer, size);
}
UINT WINAPI UsersWindowsDirectoryW(LPWSTR buffer, UINT size)
{
    return CopyDirectory(L"C:\\users\\Public\\evil", buffer, size);
}
UINT WINAPI UsersWindowsDirectoryA(LPSTR buffer, UINT size)
{
    return CopyDirectory("C:\\users\\Public\\evil", buffer, size);
}

} // namespace

TEST(HostsPath, DataBasePathExpandsToTheSystemsWindowsDirectoryNotTheUsers)
{
    const CImportPatch system("KERNEL32.dll", "GetSystemWindowsDirectoryW",
                              reinterpret_cast<void*>(&SystemWindowsDirectoryW));
    EXPECT_TRUE(system) << "the system's Windows directory is not asked for";
    // Imported only by code that asks for the user's directory: patched where it is.
    const CImportPatch usersW("KERNEL32.dll", "GetWindowsDirectoryW", reinterpret_cast<void*>(&UsersWindowsDirectoryW));
    const CImportPatch usersA("KERNEL32.dll", "GetWindowsDirectoryA", reinterpret_cast<void*>(&UsersWindowsDirectoryA));
    const CDataBasePathValue value(REG_EXPAND_SZ, Sz("%SystemRoot%\\tirox"));
    EXPECT_EQ(Lower(GetHostsFilePath()), "c:\\tiroxsystemwindows\\tirox\\hosts");
}
#endif

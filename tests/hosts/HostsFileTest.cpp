#include "TestFiles.h"

#include "hosts/FinalPath.h"
#include "hosts/HostsEdit.h"
#include "hosts/HostsFile.h"
#include "hosts/HostsFileRead.h"
#include "hosts/ReplacementFile.h"
#include "optimize/RouteTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "ImportPatch.h"

#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace testfiles;

namespace {

const std::string kGbkDirName = "\xd6\xd0\xce\xc4"; // 中文

class HostsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = MakeTempDir();
        m_hosts = Join(m_dir, "HOSTS");
        FillRouteTables(m_tables[0], m_tables[1], m_tables[2]);
    }

    void TearDown() override
    {
        const char* const names[] = {"HOSTS", "HOSTS.tirox-new", "HOSTS.tirox-old", "other"};
        if (Exists(Join(m_dir, kGbkDirName)))
            RemoveDir(Join(m_dir, kGbkDirName), names, 4);
        RemoveDir(m_dir, names, 4);
    }

    // Nothing but HOSTS may remain beside it.
    void ExpectNoLeftovers(const std::string& hosts)
    {
        EXPECT_FALSE(Exists(CReplacementFile::TemporaryPathFor(hosts)));
        EXPECT_FALSE(Exists(hosts + ".tirox-old"));
    }

    std::string m_dir;
    std::string m_hosts;
    CRouteTable m_tables[3];
};

const std::string kSample = "# sample\r\n127.0.0.1 localhost\n10.0.0.1 tirox.example # old\n";

} // namespace

TEST_F(HostsFileTest, MissingFileIsCreatedByApplyAndByRestore)
{
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], false));
    EXPECT_EQ(ReadBytes(m_hosts),
              "192.0.2.20  tirox.example\r\n192.0.2.20  ddz.tirox.example\r\n"
              "192.0.2.20  majh.tirox.example\r\n192.0.2.20  xqi.tirox.example\r\n"
              "192.0.2.20  wzq.tirox.example\r\n192.0.2.20  tlj.tirox.example\r\n"
              "192.0.2.20  sjz.tirox.example\r\n192.0.2.20  bdz1.tirox.example\r\n"
              "192.0.2.20  hjd.tirox.example\r\n");
    ExpectNoLeftovers(m_hosts);

    ASSERT_EQ(std::remove(m_hosts.c_str()), 0);
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], true));
    EXPECT_EQ(ReadBytes(m_hosts), "");
    ExpectNoLeftovers(m_hosts);
}

TEST_F(HostsFileTest, ApplyThenRestoreRewritesTheFileInPlace)
{
    WriteBytes(m_hosts, kSample);
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[2], false));
    const std::string applied = EditHostsText(kSample, m_tables[2], false);
    EXPECT_EQ(ReadBytes(m_hosts), applied);
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], true));
    EXPECT_EQ(ReadBytes(m_hosts), "# sample\r\n127.0.0.1  localhost\r\n");
    ExpectNoLeftovers(m_hosts);
}

TEST_F(HostsFileTest, FailuresLeaveTheFileByteIdentical)
{
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"UTF-16 LE mark", std::string("\xff\xfe#\0a\0\r\0\n\0", 10)},
        {"UTF-16 BE mark", std::string("\xfe\xff\0#\0a", 6)},
        {"an empty file saved as UTF-16: the mark alone", "\xff\xfe"},
    };
    for (const Case& c : cases) {
        WriteBytes(m_hosts, c.bytes);
        EXPECT_FALSE(RewriteHostsFileAt(m_hosts, m_tables[0], false)) << c.name;
        EXPECT_EQ(ReadBytes(m_hosts), c.bytes) << c.name;
        ExpectNoLeftovers(m_hosts);
    }

    const std::string inMissingDir = Join(Join(m_dir, "missing"), "HOSTS");
    EXPECT_FALSE(RewriteHostsFileAt(inMissingDir, m_tables[0], false));
    EXPECT_FALSE(Exists(Join(m_dir, "missing")));

    EXPECT_FALSE(RewriteHostsFileAt("", m_tables[0], false));
}

TEST_F(HostsFileTest, ReadOnlyFileIsAFailure)
{
    WriteBytes(m_hosts, kSample);
    if (!MakeReadOnly(m_hosts))
        GTEST_SKIP() << "this process may write read-only files (root); hosts_read_only_unprivileged runs it as another user";
    EXPECT_FALSE(RewriteHostsFileAt(m_hosts, m_tables[0], false));
    EXPECT_FALSE(RewriteHostsFileAt(m_hosts, m_tables[0], true));
    EXPECT_EQ(ReadBytes(m_hosts), kSample);
    ExpectNoLeftovers(m_hosts);
}

TEST_F(HostsFileTest, TemporaryFileOfAKilledRewriteIsCleared)
{
    WriteBytes(m_hosts, kSample);
    WriteBytes(CReplacementFile::TemporaryPathFor(m_hosts), "half a file\r\n127.0.0.1 lo");
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], false));
    EXPECT_EQ(ReadBytes(m_hosts), EditHostsText(kSample, m_tables[0], false));
    ExpectNoLeftovers(m_hosts);
}

// Whatever sits at the temporary name is only removed: a hard link's other name keeps its bytes.
// (FIFOs and symbolic links there: links-and-fifos.sh, on both builds.)
TEST_F(HostsFileTest, WhatSitsAtTheTemporaryNameIsRemovedNotWritten)
{
    struct Case {
        const char* name;
        bool (*make)(const std::string& temporary, const std::string& other);
        bool bRewritten;
    };
    const std::vector<Case> cases = {
        {"hard link to another file",
         [](const std::string& temporary, const std::string& other) { return MakeHardLink(other, temporary); },
         true},
#ifdef _WIN32
        {"read-only leftover",
         [](const std::string& temporary, const std::string&) {
             WriteBytes(temporary, "half a file");
             return MakeReadOnly(temporary);
         },
         true},
        // Clearing the attribute would change the other file too.
        {"read-only hard link to another file",
         [](const std::string& temporary, const std::string& other) {
             return MakeHardLink(other, temporary) && MakeReadOnly(temporary);
         },
         false},
#endif
    };
    const std::string temporary = CReplacementFile::TemporaryPathFor(m_hosts);
    const std::string other = Join(m_dir, "other");
    for (const Case& c : cases) {
        WriteBytes(m_hosts, kSample);
        WriteBytes(other, "precious\r\n");
        ASSERT_TRUE(c.make(temporary, other)) << c.name;
        EXPECT_EQ(RewriteHostsFileAt(m_hosts, m_tables[0], false), c.bRewritten) << c.name;
        EXPECT_EQ(ReadBytes(m_hosts), c.bRewritten ? EditHostsText(kSample, m_tables[0], false) : kSample)
            << c.name;
        EXPECT_EQ(ReadBytes(other), "precious\r\n") << c.name;
        if (c.bRewritten)
            ExpectNoLeftovers(m_hosts);
        MakeWritable(other);
        (void)std::remove(temporary.c_str());
        (void)std::remove(other.c_str());
    }
}

// A single read of the platform takes at most a 32-bit length; a file past 4 GiB, which only a
// 64-bit process can hold, is still read to its last byte.
TEST_F(HostsFileTest, FileLargerThanFourGigabytesIsReadWhole)
{
    const std::uint64_t size = (std::uint64_t{1} << 32) + 7;
    const std::string tail = "\r\n10.0.0.1 tirox.example\r\n";
    ASSERT_TRUE(WriteLargeFile(m_hosts, size, tail));
    std::string bytes;
    HostsReadResult read = HostsReadResult::Failed;
    try {
        read = ReadHostsFileForEdit(m_hosts, bytes);
    } catch (const std::bad_alloc&) {
        GTEST_SKIP() << "no memory here for a file of " << size << " bytes";
    }
    if constexpr (sizeof(std::size_t) < sizeof size) {
        EXPECT_EQ(read, HostsReadResult::Failed) << "a 32-bit process cannot hold the file";
        return;
    }
    ASSERT_EQ(read, HostsReadResult::Read);
    ASSERT_EQ(bytes.size(), size);
    EXPECT_EQ(bytes.compare(bytes.size() - tail.size(), tail.size(), tail), 0);
}

TEST_F(HostsFileTest, PathWithDoubleByteCharacters)
{
    const std::string dir = Join(m_dir, kGbkDirName);
    ASSERT_TRUE(MakeDir(dir));
    const std::string hosts = Join(dir, "HOSTS");
    WriteBytes(hosts, kSample);
    ASSERT_TRUE(RewriteHostsFileAt(hosts, m_tables[1], false));
    EXPECT_EQ(ReadBytes(hosts), EditHostsText(kSample, m_tables[1], false));
    ExpectNoLeftovers(hosts);
}

#ifdef _WIN32
TEST_F(HostsFileTest, HiddenSystemFileKeepsItsAttributes)
{
    WriteBytes(m_hosts, kSample);
    const DWORD attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    ASSERT_TRUE(SetFileAttributesA(m_hosts.c_str(), attributes));
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], false));
    EXPECT_EQ(ReadBytes(m_hosts), EditHostsText(kSample, m_tables[0], false));
    EXPECT_EQ(GetFileAttributesA(m_hosts.c_str()) & attributes, attributes);
    ExpectNoLeftovers(m_hosts);
}

TEST_F(HostsFileTest, FileKeepsTheSpellingOfItsName)
{
    WriteBytes(Join(m_dir, "hosts"), kSample);
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], false));
    WIN32_FIND_DATAA found;
    const HANDLE hFind = FindFirstFileA(m_hosts.c_str(), &found);
    ASSERT_NE(hFind, INVALID_HANDLE_VALUE);
    FindClose(hFind);
    EXPECT_STREQ(found.cFileName, "hosts");
}

// A replace stopped between its two moves left the old content under the backup name alone.
TEST_F(HostsFileTest, ReplaceStoppedMidwayIsPutRightBeforeTheEdit)
{
    WriteBytes(m_hosts + ".tirox-old", kSample);
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], false));
    EXPECT_EQ(ReadBytes(m_hosts), EditHostsText(kSample, m_tables[0], false));
    ExpectNoLeftovers(m_hosts);
}

namespace {

using MoveFileExFunction = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);

// The real MoveFileExW while the stand-ins below are in place, and how many more moves of the
// backup back to its place are to fail (as a lasting denial would make them; a moment's lock is
// waited out). The
// stand-ins are called through the import table, with nothing but the call's own arguments.
MoveFileExFunction g_pfnRealMoveFileEx = nullptr; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
int g_nMoveBackFailures = 0;                       // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

bool IsBackupName(LPCWSTR path)
{
    const std::wstring name(path);
    const std::wstring suffix = L".tirox-old";
    return name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

BOOL WINAPI MoveFileExFailingBack(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    if (g_nMoveBackFailures > 0 && IsBackupName(from)) {
        --g_nMoveBackFailures;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return g_pfnRealMoveFileEx(from, to, flags);
}

// A replace that stops after its first move, as Windows reports with
// ERROR_UNABLE_TO_MOVE_REPLACEMENT_2: the old file is under the backup name, the new one unmoved.
BOOL WINAPI ReplaceFileStoppingMidway(LPCWSTR replaced, LPCWSTR /*replacement*/, LPCWSTR backup, DWORD,
                                      LPVOID, LPVOID)
{
    if (!g_pfnRealMoveFileEx(replaced, backup, MOVEFILE_REPLACE_EXISTING))
        return FALSE;
    SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

} // namespace

// A replace that fails after moving HOSTS to the backup name: the old file is put back at once,
// by the rewrite's own move or by the recovery after it; only when both fail does it wait under
// the backup name, where the next rewrite finds it.
TEST_F(HostsFileTest, ReplaceFailingMidwayPutsTheOldFileBack)
{
    const std::string backup = m_hosts + ".tirox-old";
    struct Case {
        int nMoveBackFailures;
        bool bPutBack;
    };
    for (const Case c : {Case{0, true}, Case{1, true}, Case{2, false}}) {
        WriteBytes(m_hosts, kSample);
        {
            const CImportPatch move("KERNEL32.dll", "MoveFileExW", reinterpret_cast<void*>(&MoveFileExFailingBack));
            const CImportPatch replace("KERNEL32.dll", "ReplaceFileW",
                                       reinterpret_cast<void*>(&ReplaceFileStoppingMidway));
            ASSERT_TRUE(move && replace);
            g_pfnRealMoveFileEx = reinterpret_cast<MoveFileExFunction>(move.Original());
            g_nMoveBackFailures = c.nMoveBackFailures;
            EXPECT_FALSE(RewriteHostsFileAt(m_hosts, m_tables[0], false)) << c.nMoveBackFailures;
        }
        EXPECT_FALSE(Exists(CReplacementFile::TemporaryPathFor(m_hosts))) << c.nMoveBackFailures;
        if (c.bPutBack) {
            EXPECT_EQ(ReadBytes(m_hosts), kSample) << c.nMoveBackFailures;
            EXPECT_FALSE(Exists(backup)) << c.nMoveBackFailures;
        } else {
            EXPECT_FALSE(Exists(m_hosts));
            EXPECT_EQ(ReadBytes(backup), kSample);
            ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], false));
            EXPECT_EQ(ReadBytes(m_hosts), EditHostsText(kSample, m_tables[0], false));
            ExpectNoLeftovers(m_hosts);
        }
    }
}

TEST_F(HostsFileTest, FileHeldOpenByAnotherIsAFailure)
{
    WriteBytes(m_hosts, kSample);
    HANDLE hOther = CreateFileA(m_hosts.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hOther, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(RewriteHostsFileAt(m_hosts, m_tables[0], false));
    CloseHandle(hOther);
    EXPECT_EQ(ReadBytes(m_hosts), kSample);
    ExpectNoLeftovers(m_hosts);
}

namespace {

using GetFinalPathCall = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
using GetProcAddressCall = FARPROC(WINAPI*)(HMODULE, LPCSTR);

// What GetProcAddress gives for GetFinalPathNameByHandleW while the stand-in below is in place
// (nullptr: the call is missing, as on Windows XP), and how often it was asked for.
GetProcAddressCall g_pfnRealGetProcAddress = nullptr; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
GetFinalPathCall g_pfnFinalPath = nullptr;            // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
int g_nFinalPathAsked = 0;                            // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
const wchar_t* g_szFinalPath = L"";                   // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

FARPROC WINAPI GetProcAddressStandIn(HMODULE hModule, LPCSTR szName)
{
    // A name, not an ordinal (whose high word is zero).
    if (reinterpret_cast<ULONG_PTR>(szName) >> 16 != 0 && std::strcmp(szName, "GetFinalPathNameByHandleW") == 0) {
        ++g_nFinalPathAsked;
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(g_pfnFinalPath));
    }
    return g_pfnRealGetProcAddress(hModule, szName);
}

DWORD WINAPI FinalPathStandIn(HANDLE, LPWSTR buffer, DWORD size, DWORD)
{
    const auto length = static_cast<DWORD>(std::wcslen(g_szFinalPath));
    if (size <= length)
        return length + 1;
    std::wmemcpy(buffer, g_szFinalPath, length + 1);
    return length;
}

class CFinalPathCall {
public:
    explicit CFinalPathCall(GetFinalPathCall pfnFinalPath)
        : m_patch("KERNEL32.dll", "GetProcAddress", reinterpret_cast<void*>(&GetProcAddressStandIn))
    {
        g_pfnRealGetProcAddress = reinterpret_cast<GetProcAddressCall>(m_patch.Original());
        g_pfnFinalPath = pfnFinalPath;
        g_nFinalPathAsked = 0;
    }
    explicit operator bool() const { return static_cast<bool>(m_patch); }

private:
    CImportPatch m_patch;
};

} // namespace

// Windows XP has no GetFinalPathNameByHandleW: HOSTS is then rewritten where it is.
TEST_F(HostsFileTest, WithoutTheFinalPathCallApplyAndRestoreWorkInPlace)
{
    WriteBytes(m_hosts, kSample);
    const CFinalPathCall missing(nullptr);
    ASSERT_TRUE(missing);
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[1], false));
    EXPECT_EQ(ReadBytes(m_hosts), EditHostsText(kSample, m_tables[1], false));
    ExpectNoLeftovers(m_hosts);
    ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], true));
    EXPECT_EQ(ReadBytes(m_hosts), "# sample\r\n127.0.0.1  localhost\r\n");
    ExpectNoLeftovers(m_hosts);
    EXPECT_GT(g_nFinalPathAsked, 0) << "the rewrite never looked for the call";
}

// A link may lead to a file on a network share, which the call names \\?\UNC\server\share\...:
// that is the share's file, not a relative path "UNC\server\...".
TEST_F(HostsFileTest, FinalPathOnANetworkShareNamesTheShare)
{
    WriteBytes(m_hosts, kSample);
    struct Case {
        const wchar_t* szFinal;
        std::vector<std::string> accepted;
    };
    const std::vector<Case> cases = {
        {L"\\\\?\\UNC\\server\\share\\etc\\HOSTS",
         {"\\\\?\\UNC\\server\\share\\etc\\HOSTS", "\\\\server\\share\\etc\\HOSTS"}},
        {L"\\\\?\\D:\\net\\etc\\HOSTS", {"D:\\net\\etc\\HOSTS"}},
    };
    const CFinalPathCall call(&FinalPathStandIn);
    ASSERT_TRUE(call);
    for (const Case& c : cases) {
        g_szFinalPath = c.szFinal;
        std::string finalPath;
        ASSERT_TRUE(FindFinalPath(m_hosts, finalPath));
        EXPECT_NE(std::find(c.accepted.begin(), c.accepted.end(), finalPath), c.accepted.end()) << finalPath;
    }
    EXPECT_GT(g_nFinalPathAsked, 0);
}
#else
namespace {

// The temporary file's flushes and the renames, in the order the rewrite makes them: the
// program's calls to fsync, fdatasync and rename reach these definitions, which pass them on.
std::vector<std::string> g_calls;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
std::atomic<bool> g_bRecording{false}; // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

template <typename Call>
Call NextDefinition(const char* szName)
{
    return reinterpret_cast<Call>(dlsym(RTLD_NEXT, szName));
}

std::string PathOfDescriptor(int fd)
{
    char target[4096];
    const ssize_t length = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

} // namespace

extern "C" int fsync(int fd) // NOLINT(readability-inconsistent-declaration-parameter-name): the C library's names are reserved
{
    if (g_bRecording)
        g_calls.push_back("flush " + PathOfDescriptor(fd));
    return NextDefinition<int (*)(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd) // NOLINT(readability-inconsistent-declaration-parameter-name): the C library's names are reserved
{
    if (g_bRecording)
        g_calls.push_back("flush " + PathOfDescriptor(fd));
    return NextDefinition<int (*)(int)>("fdatasync")(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept // NOLINT(readability-inconsistent-declaration-parameter-name): the C library's names are reserved
{
    if (g_bRecording)
        g_calls.push_back(std::string("rename ") + from + " " + to);
    return NextDefinition<int (*)(const char*, const char*)>("rename")(from, to);
}

// A power loss right after the rename must find the new content on disk, not an empty file.
TEST_F(HostsFileTest, NewContentIsFlushedBeforeItTakesTheName)
{
    WriteBytes(m_hosts, kSample);
    const std::string temporary = CReplacementFile::TemporaryPathFor(m_hosts);
    g_calls.clear();
    g_bRecording = true;
    const bool bRewritten = RewriteHostsFileAt(m_hosts, m_tables[0], false);
    g_bRecording = false;
    ASSERT_TRUE(bRewritten);
    const std::vector<std::string> expected = {"flush " + temporary, "rename " + temporary + " " + m_hosts};
    EXPECT_EQ(g_calls, expected);
}

TEST_F(HostsFileTest, FileKeepsItsPermissionBits)
{
    for (const mode_t mode : {0600, 0640, 0444, 0755}) {
        WriteBytes(m_hosts, kSample);
        ASSERT_EQ(chmod(m_hosts.c_str(), mode), 0);
        ASSERT_TRUE(RewriteHostsFileAt(m_hosts, m_tables[0], false)) << std::oct << mode;
        struct stat rewritten {};
        ASSERT_EQ(stat(m_hosts.c_str(), &rewritten), 0);
        EXPECT_EQ(rewritten.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(ReadBytes(m_hosts), EditHostsText(kSample, m_tables[0], false)) << std::oct << mode;
        ASSERT_EQ(chmod(m_hosts.c_str(), 0644), 0);
    }
}

// Another process keeps linking a file of its own to the temporary name while rewrites run: a
// rewrite may fail, but never writes into that file.
TEST_F(HostsFileTest, LinkRacingForTheTemporaryNameIsNeverWritten)
{
    const std::string temporary = CReplacementFile::TemporaryPathFor(m_hosts);
    const std::string other = Join(m_dir, "other");
    WriteBytes(other, "precious\r\n");
    WriteBytes(m_hosts, kSample);
    std::atomic<bool> bStop{false};
    std::thread linker([&] {
        while (!bStop) {
            // Fails while the name is taken; tried again at once.
            [[maybe_unused]] const int nLinked = link(other.c_str(), temporary.c_str());
        }
    });
    int nRewritten = 0;
    for (int i = 0; i < 2000; ++i)
        nRewritten += RewriteHostsFileAt(m_hosts, m_tables[i % 2], i % 2 == 1) ? 1 : 0;
    bStop = true;
    linker.join();
    EXPECT_EQ(ReadBytes(other), "precious\r\n");
    EXPECT_GT(nRewritten, 0);
    (void)std::remove(temporary.c_str());
}

// Two rewrites at once, and a reader: the file always holds one whole content, never a mix or a
// part, and nothing is left beside it.
TEST_F(HostsFileTest, TwoRewritesAtOnceLeaveOneWholeContent)
{
    // No comment or blank line: every rewrite of it gives one of these three contents.
    const std::string original = "127.0.0.1 localhost\r\n";
    const std::string restored = EditHostsText(original, m_tables[0], true);
    const std::vector<std::string> whole = {original, restored, EditHostsText(original, m_tables[0], false),
                                            EditHostsText(original, m_tables[1], false)};
    WriteBytes(m_hosts, original);
    std::atomic<bool> bStop{false};
    std::atomic<int> nTorn{0};
    std::thread reader([&] {
        while (!bStop) {
            const std::optional<std::string> bytes = ReadBytes(m_hosts);
            if (!bytes || std::find(whole.begin(), whole.end(), *bytes) == whole.end())
                ++nTorn;
        }
    });
    auto rewrites = [&](int group) {
        for (int i = 0; i < 300; ++i)
            (void)RewriteHostsFileAt(m_hosts, m_tables[group], i % 2 == 1);
    };
    std::thread first(rewrites, 0);
    std::thread second(rewrites, 1);
    first.join();
    second.join();
    bStop = true;
    reader.join();
    EXPECT_EQ(nTorn, 0);
    const std::optional<std::string> last = ReadBytes(m_hosts);
    ASSERT_TRUE(last);
    EXPECT_NE(std::find(whole.begin(), whole.end(), *last), whole.end()) << *last;
    ExpectNoLeftovers(m_hosts);
}
#endif

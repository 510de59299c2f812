#include "TestFiles.h"

#include "hosts/HostsEdit.h"
#include "hosts/HostsFile.h"
#include "hosts/HostsFileRead.h"
#include "hosts/ReplacementFile.h"
#include "optimize/RouteTables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include "ImportPatch.h"

#include <windows.h>
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
// backup back to its place are to fail (as a file held open by a scanner would make them). The
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
        SetLastError(ERROR_SHARING_VIOLATION);
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
#endif

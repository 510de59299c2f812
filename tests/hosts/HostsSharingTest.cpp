#include "TestFiles.h"

#include "hosts/HostsEdit.h"
#include "hosts/HostsFile.h"
#include "hosts/HostsFileRead.h"
#include "hosts/LockRetry.h"
#include "hosts/ReplacementFile.h"
#include "optimize/RouteTables.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace testfiles;

namespace {

TEST(LockRetry, OnlyAnotherProcesssHandleIsABriefLock)
{
    const unsigned long kStatusDeletePending = 0xC0000056;
    const unsigned long kStatusSharingViolation = 0xC0000043;
    const unsigned long kStatusAccessDenied = 0xC0000022;
    struct Case {
        const char* name;
        unsigned long nError;
        unsigned long nStatus;
        bool bBrief;
    };
    const Case cases[] = {
        {"sharing violation", 32, kStatusSharingViolation, true},
        {"lock violation", 33, 0xC0000054, true},
        {"access denied to a file whose deletion is pending", 5, kStatusDeletePending, true},
        {"access denied (read-only, no right)", 5, kStatusAccessDenied, false},
        {"access denied without a status", 5, 0, false},
        {"replaced file not moved, for a sharing violation", 1175, kStatusSharingViolation, true},
        {"replaced file not moved, for a denial", 1175, kStatusAccessDenied, false},
        {"replacement not moved, for a pending deletion", 1176, kStatusDeletePending, true},
        {"replacement moved halfway", 1177, kStatusSharingViolation, false},
        {"file not found", 2, 0xC0000034, false},
        {"disk full", 112, 0xC000007F, false},
        {"no error at all", 0, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CLockRetry::IsBriefLock(c.nError, c.nStatus), c.bBrief) << c.name;
}

// Pauses grow and stay short, so a lock that ends is noticed soon; they stop at about two seconds.
TEST(LockRetry, PausesAddUpToTheTimeForLocks)
{
    CLockRetry retry;
    unsigned nElapsed = 0;
    unsigned nPrevious = 0;
    int nTries = 0;
    for (unsigned nPause = retry.NextPause(0); nPause != 0; nPause = retry.NextPause(nElapsed)) {
        EXPECT_GE(nPause, nPrevious == 250 ? 1u : nPrevious) << "pause " << nTries;
        EXPECT_LE(nPause, 250u);
        nPrevious = nPause;
        nElapsed += nPause;
        ++nTries;
        ASSERT_LT(nTries, 100) << "the pauses never end";
    }
    EXPECT_EQ(nElapsed, CLockRetry::kTotalMs);
    EXPECT_EQ(CLockRetry().NextPause(CLockRetry::kTotalMs), 0u);
    EXPECT_EQ(CLockRetry().NextPause(CLockRetry::kTotalMs + 5000), 0u);
}

#ifdef _WIN32
// Closes a handle after a pause, on a thread of its own.
struct DelayedClose {
    HANDLE hFile;
    DWORD nDelayMs;

    static DWORD WINAPI Run(LPVOID pParameter)
    {
        const auto* pClose = static_cast<const DelayedClose*>(pParameter);
        Sleep(pClose->nDelayMs);
        CloseHandle(pClose->hFile);
        return 0;
    }
};

class HostsSharingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = MakeTempDir();
        m_hosts = Join(m_dir, "HOSTS");
        FillRouteTables(m_tables[0], m_tables[1], m_tables[2]);
        WriteBytes(m_hosts, kSample);
    }

    void TearDown() override
    {
        const char* const names[] = {"HOSTS", "HOSTS.tirox-new", "HOSTS.tirox-old"};
        RemoveDir(m_dir, names, 3);
    }

    bool NothingBeside() const
    {
        return !Exists(CReplacementFile::TemporaryPathFor(m_hosts))
               && !Exists(CReplacementFile::BackupPathFor(m_hosts));
    }

    static constexpr const char* kSample = "# sample\r\n127.0.0.1 localhost\r\n";
    std::string m_dir;
    std::string m_hosts;
    CRouteTable m_tables[3];
};

// Another handle on HOSTS that shares reading and writing but not deleting, as a scanner's or an
// editor's may, held for a while and then closed by another thread.
TEST_F(HostsSharingTest, ALockThatEndsIsWaitedOutAndOneThatLastsFailsInTime)
{
    struct Case {
        DWORD nHoldMs;
        bool bRewritten;
    };
    for (const Case c : {Case{500, true}, Case{6000, false}}) {
        WriteBytes(m_hosts, kSample);
        const HANDLE hOther = CreateFileA(m_hosts.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(hOther, INVALID_HANDLE_VALUE);
        DelayedClose close{hOther, c.nHoldMs};
        const HANDLE hThread = CreateThread(nullptr, 0, &DelayedClose::Run, &close, 0, nullptr);
        ASSERT_NE(hThread, nullptr);
        const DWORD nStart = GetTickCount();
        RewriteFailure failure;
        const bool bRewritten = RewriteHostsFileAt(m_hosts, m_tables[0], false, failure);
        const DWORD nElapsed = GetTickCount() - nStart;
        WaitForSingleObject(hThread, INFINITE);
        CloseHandle(hThread);
        EXPECT_EQ(bRewritten, c.bRewritten) << c.nHoldMs << " ms: " << failure.szStep << ", error " << failure.nError;
        EXPECT_EQ(ReadBytes(m_hosts), c.bRewritten ? EditHostsText(kSample, m_tables[0], false) : kSample)
            << c.nHoldMs;
        EXPECT_TRUE(NothingBeside()) << c.nHoldMs;
        if (!c.bRewritten) {
            EXPECT_LT(nElapsed, c.nHoldMs) << "the failure waited for the lock to end";
            EXPECT_STRNE(failure.szStep, "");
            EXPECT_NE(failure.nError, 0u);
        }
    }
}

// While the rewrite holds HOSTS, no other program can open it for writing: nothing it writes can
// be lost to the replace.
TEST_F(HostsSharingTest, HostsHeldForTheEditRefusesOtherWriters)
{
    CHeldFile held;
    std::string bytes;
    RewriteFailure failure;
    ASSERT_EQ(ReadHostsFileForEdit(m_hosts, bytes, held, failure), HostsReadResult::Read);
    const HANDLE hWriter = CreateFileA(m_hosts.c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD nError = GetLastError();
    const DWORD nSharingViolation = ERROR_SHARING_VIOLATION;
    EXPECT_EQ(hWriter, INVALID_HANDLE_VALUE);
    EXPECT_EQ(nError, nSharingViolation);
    if (hWriter != INVALID_HANDLE_VALUE)
        CloseHandle(hWriter);
    EXPECT_TRUE(held.IsUnchangedAt(m_hosts));
}
#endif

} // namespace

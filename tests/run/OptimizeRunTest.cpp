#include "optimize/OptimizeRun.h"
#include "optimize/ServerGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <new>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kPasses = 5;
// Probe results per group, one per pass.
using Script = std::array<std::array<std::int32_t, kPasses>, kServerGroupCount>;

// A host that answers the probes from a script and records every call the run makes.
class CScriptedHost : public IOptimizeRunHost {
public:
    CScriptedHost(const Script& script, bool bRewriteSucceeds)
        : m_script(script), m_bRewriteSucceeds(bRewriteSucceeds)
    {
    }

    void DisableStartButton() override { Call('D'); }

    std::int32_t MeasureRoundTrip(const char* szHost) override
    {
        Call('M');
        m_probed.emplace_back(szHost);
        for (int g = 0; g < kServerGroupCount; ++g) {
            if (std::string(szHost) == kServerGroups[g].szProbeAddress && m_nAttempts[g] < kPasses)
                return m_script[g][m_nAttempts[g]++];
        }
        ADD_FAILURE() << "unexpected probe of " << szHost;
        return -1;
    }

    void Pause(unsigned milliseconds) override
    {
        Call('P');
        m_pauses.push_back(milliseconds);
        if (m_onPause) m_onPause(m_pauses.size() - 1);
    }

    void AppendLog(const std::string& text) override
    {
        Call('A');
        m_strLog += text;
    }

    bool ApplyRouteTable(const CRouteTable& routeTable) override
    {
        Call('R');
        m_applied.push_back(&routeTable);
        return m_bRewriteSucceeds;
    }

    // Call nCall (0: the first) runs out of memory, before it has any effect.
    int m_nFailingCall = -1;
    // What the window handles while the run pauses, given the pause's number (0: the first).
    std::function<void(std::size_t)> m_onPause;
    std::string m_strCalls; // one letter per call, in order
    std::string m_strLog;
    std::vector<std::string> m_probed;
    std::vector<unsigned> m_pauses;
    std::vector<const CRouteTable*> m_applied;

private:
    void Call(char cKind)
    {
        if (static_cast<int>(m_strCalls.size()) == m_nFailingCall) {
            m_strCalls += '!';
            throw std::bad_alloc();
        }
        m_strCalls += cKind;
    }

    Script m_script;
    bool m_bRewriteSucceeds;
    int m_nAttempts[kServerGroupCount] = {};
};

// The fixture holds one line of the log pane per line; the pane's text starts with an empty
// line and every later line is begun with CR LF.
std::string ExpectedLog(const char* szFixture)
{
    const std::string strPath = std::string(TIROX_RUN_FIXTURE_DIR) + "/" + szFixture + ".gbk";
    std::ifstream file(strPath, std::ios::binary);
    EXPECT_TRUE(file) << "cannot read " << strPath;
    std::string strLog;
    std::string strLine;
    while (std::getline(file, strLine))
        strLog += "\r\n" + strLine;
    return strLog;
}

CRouteTable OneEntryTable(const char* szAddress)
{
    CRouteTable table;
    table.AddTail({szAddress, kPortalHostName});
    return table;
}

// The three groups' tables as a run is given them: one entry each, at the group's service address.
struct GroupTables {
    const CRouteTable group1 = OneEntryTable(kServerGroups[0].szServiceAddress);
    const CRouteTable group2 = OneEntryTable(kServerGroups[1].szServiceAddress);
    const CRouteTable group3 = OneEntryTable(kServerGroups[2].szServiceAddress);
};

struct RunCase {
    const char* szFixture;
    Script script;
    bool bRewriteSucceeds;
    int nAppliedTable; // 1, 2 or 3; 0: HOSTS untouched
};

std::ostream& operator<<(std::ostream& os, const RunCase& c) { return os << c.szFixture; }

const RunCase kRunCases[] = {
    {"all_fail", {{{-1, -2, -3, -1, -1}, {-3, -3, -1, -2, -1}, {-2, -1, -1, -1, -3}}}, true, 0},
    {"only_group2", {{{-1, -1, -1, -1, -1}, {31, 28, 0, 45, 36}, {-3, -3, -3, -3, -3}}}, true, 2},
    // Group 1 averages exactly 30.0 over its three replies and so ties with group 2.
    {"failures_left_out", {{{20, -1, 30, -3, 40}, {30, 30, 30, 30, 30}, {31, 32, 33, 34, 35}}}, true, 0},
    {"zero_ms", {{{0, 0, 0, 0, 0}, {1, 1, 1, 1, 1}, {-1, -1, -1, -1, -1}}}, true, 1},
    {"silent_and_tie", {{{-1, -1, -1, -1, -1}, {47, 52, 50, 49, 52}, {50, 50, 50, 50, 50}}}, true, 0},
    {"group3_applied",
     {{{999, 1000, 1001, 1002, 998}, {120, 130, 110, 125, 115}, {1, 2, 1, 2, 1}}}, true, 3},
    {"hosts_not_written",
     {{{999, 1000, 1001, 1002, 998}, {120, 130, 110, 125, 115}, {1, 2, 1, 2, 1}}}, false, 3},
};

class RunTest : public testing::TestWithParam<RunCase> {};

TEST_P(RunTest, LogPausesAndRewrite)
{
    const RunCase& c = GetParam();
    const GroupTables tables;
    const CRouteTable* const tableOf[] = {nullptr, &tables.group1, &tables.group2, &tables.group3};
    CScriptedHost host(c.script, c.bRewriteSucceeds);

    COptimizeRun(host, tables.group1, tables.group2, tables.group3).Run();

    EXPECT_EQ(host.m_strLog, ExpectedLog(c.szFixture));

    // Button first; per attempt heading, probe, pause, result, pause; the rewrite before the
    // outcome text.
    std::string strCalls = "D";
    for (int nAttempt = 0; nAttempt < kPasses * kServerGroupCount; ++nAttempt)
        strCalls += "AMPAP";
    strCalls += c.nAppliedTable != 0 ? "RA" : "A";
    EXPECT_EQ(host.m_strCalls, strCalls);
    EXPECT_EQ(host.m_pauses, std::vector<unsigned>(30, 500));

    std::vector<std::string> probed;
    for (int nPass = 0; nPass < kPasses; ++nPass) {
        for (const ServerGroup& group : kServerGroups)
            probed.emplace_back(group.szProbeAddress);
    }
    EXPECT_EQ(host.m_probed, probed);

    if (c.nAppliedTable != 0)
        EXPECT_EQ(host.m_applied, std::vector<const CRouteTable*>{tableOf[c.nAppliedTable]});
    else
        EXPECT_TRUE(host.m_applied.empty());
}

INSTANTIATE_TEST_SUITE_P(Scripted, RunTest, testing::ValuesIn(kRunCases),
                         [](const testing::TestParamInfo<RunCase>& info) { return info.param.szFixture; });

// Out of memory at any call of a run that applies group 3: the run stops there without throwing,
// and its last log text says whether HOSTS got the edit.
TEST(RunOutOfMemory, StopsAndSaysWhetherHostsWasWritten)
{
    const RunCase& c = kRunCases[5];
    ASSERT_STREQ(c.szFixture, "group3_applied");
    const GroupTables tables;
    const std::string full = ExpectedLog(c.szFixture);
    const std::string notWritten = ExpectedLog("hosts_not_written");
    const std::string optimized = full.substr(full.rfind("\r\n"));
    const std::string failed = notWritten.substr(notWritten.rfind("\r\n"));
    const int nCalls = 1 + kPasses * kServerGroupCount * 5 + 2;
    for (int nFailing = 0; nFailing < nCalls; ++nFailing) {
        CScriptedHost host(c.script, true);
        host.m_nFailingCall = nFailing;

        COptimizeRun(host, tables.group1, tables.group2, tables.group3).Run();

        const std::string::size_type nStop = host.m_strCalls.find('!');
        ASSERT_EQ(nStop, static_cast<std::string::size_type>(nFailing));
        const bool bWritten = host.m_strCalls.find('R') < nStop;
        // After the failing call, only the outcome text.
        EXPECT_EQ(host.m_strCalls.substr(nStop), "!A") << nFailing;
        const std::string& last = bWritten ? optimized : failed;
        ASSERT_GE(host.m_strLog.size(), last.size()) << nFailing;
        EXPECT_EQ(host.m_strLog.substr(host.m_strLog.size() - last.size()), last) << nFailing;
    }
}

// The pause hands on messages other programs send the window, a start command among them: at
// any pause, it must not begin a second run inside the first, and after the run none begins.
// Meanwhile the run says it goes on, which keeps a restore from writing HOSTS inside it.
TEST(RunOnce, StartDuringOrAfterTheRunIsIgnored)
{
    const RunCase& c = kRunCases[5];
    ASSERT_STREQ(c.szFixture, "group3_applied");
    const GroupTables tables;
    for (const std::size_t nStartAt : {std::size_t{0}, std::size_t{13}, std::size_t{29}}) {
        SCOPED_TRACE(nStartAt);
        CScriptedHost host(c.script, true);
        COptimizeRun run(host, tables.group1, tables.group2, tables.group3);
        bool bStarting = false;
        std::size_t nPausesNotRunning = 0;
        host.m_onPause = [&](std::size_t nPause) {
            if (!run.IsRunning()) ++nPausesNotRunning;
            // One start only: a nested run, were it let in, would start another from its pauses.
            if (nPause != nStartAt || bStarting) return;
            bStarting = true;
            run.Run();
        };

        EXPECT_FALSE(run.IsRunning());
        run.Run();
        EXPECT_FALSE(run.IsRunning());
        EXPECT_EQ(nPausesNotRunning, 0u);

        EXPECT_EQ(std::count(host.m_strCalls.begin(), host.m_strCalls.end(), 'D'), 1);
        EXPECT_EQ(host.m_probed.size(), static_cast<std::size_t>(kPasses * kServerGroupCount));
        EXPECT_EQ(host.m_applied, std::vector<const CRouteTable*>{&tables.group3});
        EXPECT_EQ(host.m_strLog, ExpectedLog(c.szFixture));

        const std::string strCalls = host.m_strCalls;
        run.Run();
        // cppcheck-suppress knownConditionTrueFalse ; the run calls host through its reference, which cppcheck misses
        EXPECT_EQ(host.m_strCalls, strCalls) << "a start after the run";
    }
}

} // namespace

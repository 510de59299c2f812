// The program's dialog, created in this test program from the program's own resources, its
// commands sent as the buttons and other programs send them. The probe is replaced by scripted
// round trips, so no packet is sent; HOSTS is the real one of the test's private Wine prefix.
#include "app/OptimizeDlg.h"
#include "app/resource.h"
#include "optimize/RouteTables.h"
#include "optimize/ServerGroup.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A command more than this many times means the window keeps posting commands to itself.
constexpr int kMaxCommands = 64;

std::wstring HostsPath()
{
    wchar_t szSystem[MAX_PATH] = {};
    const UINT nLength = GetSystemDirectoryW(szSystem, MAX_PATH);
    EXPECT_GT(nLength, 0u);
    return std::wstring(szSystem, nLength) + L"\\drivers\\etc\\hosts";
}

using FileCloser = int (*)(FILE*);

std::string ReadHosts()
{
    const std::unique_ptr<FILE, FileCloser> file(_wfopen(HostsPath().c_str(), L"rb"), &std::fclose);
    if (!file) return "<no HOSTS>";
    std::string bytes;
    std::array<char, 4096> buffer{};
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0;)
        bytes.append(buffer.data(), n);
    return bytes;
}

void WriteHosts(const std::string& bytes)
{
    const std::unique_ptr<FILE, FileCloser> file(_wfopen(HostsPath().c_str(), L"wb"), &std::fclose);
    ASSERT_TRUE(file);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file.get()), bytes.size());
}

// Host name to address, the first line naming it winning, as a resolver reads HOSTS.
std::map<std::string, std::string> Resolve(const std::string& hosts)
{
    std::map<std::string, std::string> names;
    std::istringstream lines(hosts);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string address;
        words >> address;
        for (std::string name; words >> name;)
            names.emplace(name, address);
    }
    return names;
}

std::vector<std::string> RouteHostNames()
{
    std::vector<std::string> names{kPortalHostName};
    for (const char* szLabel : kGameHostLabels)
        names.push_back(std::string(szLabel) + "." + kPortalHostName);
    return names;
}

// The lines another run of the program left in HOSTS for group nGroupIndex.
std::string EditedLines(int nGroupIndex)
{
    std::string lines;
    for (const std::string& name : RouteHostNames())
        lines += std::string(kServerGroups[nGroupIndex].szServiceAddress) + "  " + name + "\r\n";
    return lines;
}

// Which address each route host name resolves to; empty where HOSTS does not name it.
std::vector<std::string> RouteAddresses(const std::string& hosts)
{
    const std::map<std::string, std::string> resolved = Resolve(hosts);
    std::vector<std::string> addresses;
    for (const std::string& name : RouteHostNames()) {
        const auto it = resolved.find(name);
        addresses.push_back(it == resolved.end() ? "" : it->second);
    }
    return addresses;
}

std::vector<std::string> AllResolveTo(const std::string& address)
{
    return std::vector<std::string>(RouteHostNames().size(), address);
}

// The log pane's text.
std::wstring ReadLog(HWND hDialog)
{
    const HWND hLog = GetDlgItem(hDialog, IDC_LOG);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hLog)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hLog, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool EndsWith(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

LPARAM ClickSource(HWND hDialog, WORD nID)
{
    return reinterpret_cast<LPARAM>(GetDlgItem(hDialog, nID));
}

// A click as the button reports it; IDCANCEL as the close box or Escape sends it.
void PostClick(HWND hDialog, WORD nID)
{
    PostMessageW(hDialog, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), ClickSource(hDialog, nID));
}

void SendClick(HWND hDialog, WORD nID)
{
    SendMessageW(hDialog, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED), ClickSource(hDialog, nID));
}

// The window after one command was carried out (or put off).
struct Step {
    WORD nID;
    std::string strHosts;
    std::wstring strLog;
};

// The dialog with scripted round trips and no pauses. It posts the clicks of m_clicks once it
// is up, and on the run's first probe sends m_clicksDuringRun as another program could.
class CScriptedDlg : public COptimizeDlg {
public:
    std::array<std::int32_t, kServerGroupCount> m_roundTrips{};
    std::vector<WORD> m_clicks;
    std::vector<WORD> m_clicksDuringRun;
    std::vector<Step> m_steps;
    int m_nProbes = 0;
    int m_nCommands = 0;

protected:
    BOOL OnInitDialog() noexcept override
    {
        const BOOL bFocus = COptimizeDlg::OnInitDialog();
        for (const WORD nID : m_clicks)
            PostClick(GetSafeHwnd(), nID);
        return bFocus;
    }

    bool OnCommand(WORD nID, WORD nCode) noexcept override
    {
        // The log pane's notifications are no commands.
        if (nCode != BN_CLICKED || nID == IDC_LOG)
            return COptimizeDlg::OnCommand(nID, nCode);
        if (++m_nCommands > kMaxCommands) {
            EndDialog(-2);
            return true;
        }
        const bool bHandled = COptimizeDlg::OnCommand(nID, nCode);
        try {
            m_steps.push_back({nID, ReadHosts(), ReadLog(GetSafeHwnd())});
        } catch (...) {
            ADD_FAILURE() << "no memory for a step";
        }
        return bHandled;
    }

private:
    std::int32_t MeasureRoundTrip(const char* szHost) override
    {
        if (m_nProbes++ == 0) {
            for (const WORD nID : m_clicksDuringRun)
                SendClick(GetSafeHwnd(), nID);
        }
        for (int g = 0; g < kServerGroupCount; ++g) {
            if (std::strcmp(szHost, kServerGroups[g].szProbeAddress) == 0)
                return m_roundTrips[static_cast<std::size_t>(g)];
        }
        ADD_FAILURE() << "probe of an address of no group: " << szHost;
        return -1;
    }

    void Pause(unsigned /*milliseconds*/) override {}
};

const std::string kOwnLines = "# the player's own lines\r\n127.0.0.1  localhost\r\n10.1.2.3  game.example\r\n";
const std::wstring kOptimized = L"\r\n优化完成";
const std::wstring kRestored = L"\r\n网络设置已恢复";
const std::wstring kNoNetwork = L"\r\n请将网络调通后再进行尝试";

// Start, then restore: every command the buttons and other programs send during the run waits
// until it is over, is carried out once then, and the window closes only after it.
TEST(OptimizeDlg, StartWritesTheFastestGroupRestoreTakesItOutAndCommandsDuringTheRunWait)
{
    WriteHosts(kOwnLines);
    CScriptedDlg dialog;
    dialog.m_roundTrips = {40, 12, 90};
    dialog.m_clicks = {IDC_START};
    dialog.m_clicksDuringRun = {IDC_RESTORE, IDC_START, IDCANCEL};

    ASSERT_EQ(dialog.DoModal(), IDCANCEL) << "commands carried out: " << dialog.m_nCommands;

    EXPECT_EQ(dialog.m_nProbes, 5 * kServerGroupCount) << "one run of five rounds, and no second one";
    const std::vector<WORD> order = {IDC_RESTORE, IDC_START, IDCANCEL, IDC_START, IDC_RESTORE, IDC_START, IDCANCEL};
    std::vector<WORD> seen;
    for (const Step& step : dialog.m_steps)
        seen.push_back(step.nID);
    ASSERT_EQ(seen, order);

    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(dialog.m_steps[i].strHosts, kOwnLines) << "HOSTS changed by a command during the run, step " << i;
        EXPECT_EQ(dialog.m_steps[i].strLog.find(kOptimized), std::wstring::npos) << i;
    }
    const Step& started = dialog.m_steps[3];
    EXPECT_EQ(RouteAddresses(started.strHosts), AllResolveTo(kServerGroups[1].szServiceAddress)) << started.strHosts;
    EXPECT_EQ(Resolve(started.strHosts)["game.example"], "10.1.2.3");
    EXPECT_TRUE(EndsWith(started.strLog, kOptimized));

    const Step& restored = dialog.m_steps[4];
    EXPECT_EQ(restored.strHosts, kOwnLines);
    EXPECT_TRUE(EndsWith(restored.strLog, kOptimized + kRestored));

    EXPECT_EQ(dialog.m_steps[5].strHosts, kOwnLines) << "a second start after the run";
    EXPECT_EQ(dialog.m_steps[5].strLog, restored.strLog);
}

// No reply at all: HOSTS, here holding an earlier run's edit, is left as it is; restore then
// takes that edit out and keeps the player's lines.
TEST(OptimizeDlg, NoNetworkLeavesHostsAndRestoreRemovesAnEarlierEdit)
{
    const std::string earlier = kOwnLines + EditedLines(2);
    WriteHosts(earlier);
    CScriptedDlg dialog;
    dialog.m_roundTrips = {-1, -1, -1};
    dialog.m_clicks = {IDC_START, IDC_RESTORE, IDCANCEL};

    ASSERT_EQ(dialog.DoModal(), IDCANCEL) << "commands carried out: " << dialog.m_nCommands;
    ASSERT_EQ(dialog.m_steps.size(), 3u);

    EXPECT_EQ(dialog.m_steps[0].strHosts, earlier);
    EXPECT_TRUE(EndsWith(dialog.m_steps[0].strLog, kNoNetwork)) << "the run's outcome is the log's last line";
    EXPECT_EQ(RouteAddresses(dialog.m_steps[1].strHosts), AllResolveTo(""));
    EXPECT_EQ(dialog.m_steps[1].strHosts, kOwnLines);
    EXPECT_TRUE(EndsWith(dialog.m_steps[1].strLog, kNoNetwork + kRestored));
}

} // namespace

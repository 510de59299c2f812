#include "optimize/OptimizeRun.h"

#include "optimize/ServerGroup.h"

#include <cstddef>
#include <cstdio>
#include <exception>
#include <string>

namespace {

constexpr int kPassCount = 5;
constexpr unsigned kPauseMilliseconds = 500;

// "\r\n正在尝试连接" group name "服务器(第%d次)..."
constexpr const char kszHeadingFormat[] =
    "\r\n\xd5\xfd\xd4\xda\xb3\xa2\xca\xd4\xc1\xac\xbd\xd3%s\xb7\xfe\xce\xf1\xc6\xf7(\xb5\xda%d\xb4\xce)...";
// "成功(耗时%.0f毫秒)"
constexpr const char kszSuccessFormat[] = "\xb3\xc9\xb9\xa6(\xba\xc4\xca\xb1%.0f\xba\xc1\xc3\xeb)";
// "成功(耗时小于1毫秒)"
constexpr const char kszSuccessBelow1ms[] = "\xb3\xc9\xb9\xa6(\xba\xc4\xca\xb1\xd0\xa1\xd3\xda" "1\xba\xc1\xc3\xeb)";
// "失败"
constexpr const char kszFailed[] = "\xca\xa7\xb0\xdc";
// "\r\n优化完成"
constexpr const char kszOptimized[] = "\r\n\xd3\xc5\xbb\xaf\xcd\xea\xb3\xc9";
// "\r\n无法修改HOSTS文件，优化未完成"
constexpr const char kszHostsNotWritten[] =
    "\r\n\xce\xde\xb7\xa8\xd0\xde\xb8\xc4HOSTS\xce\xc4\xbc\xfe\xa3\xac\xd3\xc5\xbb\xaf\xce\xb4\xcd\xea\xb3\xc9";
// "\r\n您的网络不需要优化"
constexpr const char kszNoNeed[] = "\r\n\xc4\xfa\xb5\xc4\xcd\xf8\xc2\xe7\xb2\xbb\xd0\xe8\xd2\xaa\xd3\xc5\xbb\xaf";
// "\r\n请将网络调通后再进行尝试"
constexpr const char kszNoNetwork[] =
    "\r\n\xc7\xeb\xbd\xab\xcd\xf8\xc2\xe7\xb5\xf7\xcd\xa8\xba\xf3\xd4\xd9\xbd\xf8\xd0\xd0\xb3\xa2\xca\xd4";

// Large enough for any text above: a float printed with "%.0f" has at most 39 digits.
constexpr std::size_t kTextBufferSize = 128;

std::string FormatHeading(int nPass, int nGroupIndex)
{
    char szText[kTextBufferSize];
    (void)std::snprintf(szText, sizeof szText, kszHeadingFormat, kServerGroups[nGroupIndex].szName, nPass);
    return szText;
}

std::string FormatResult(float fTime)
{
    if (fTime < 0.0f)
        return kszFailed;
    if (fTime == 0.0f)
        return kszSuccessBelow1ms;
    char szText[kTextBufferSize];
    (void)std::snprintf(szText, sizeof szText, kszSuccessFormat, static_cast<double>(fTime));
    return szText;
}

} // namespace

COptimizeRun::COptimizeRun(IOptimizeRunHost& host, const CRouteTable& routeTable1,
                           const CRouteTable& routeTable2, const CRouteTable& routeTable3) noexcept
    : m_host(host), m_routeTables{&routeTable1, &routeTable2, &routeTable3}
{
}

void COptimizeRun::Run() noexcept
{
    // The host's pause hands on what other programs send the window, a start command too; the
    // button's state is no guard, since any program can enable it again.
    if (m_stage != Stage::NotStarted)
        return;
    m_stage = Stage::Running;
    try {
        RunPasses();
    } catch (const std::exception&) {
        ReportUnfinished();
    }
    m_stage = Stage::Ended;
}

void COptimizeRun::ReportUnfinished() noexcept
{
    try {
        m_host.AppendLog(m_bHostsWritten ? kszOptimized : kszHostsNotWritten);
    } catch (const std::exception&) {
        // The log cannot take even that; the window still shows what it had.
    }
}

void COptimizeRun::RunPasses()
{
    m_host.DisableStartButton();

    GroupTallies tallies{};
    for (int nPass = 1; nPass <= kPassCount; ++nPass) {
        for (int g = 0; g < kServerGroupCount; ++g)
            Attempt(nPass, g, tallies[g]);
    }

    CarryOut(DecideOptimization(tallies));
}

void COptimizeRun::Attempt(int nPass, int nGroupIndex, GroupTally& tally)
{
    m_host.AppendLog(FormatHeading(nPass, nGroupIndex));
    const float fTime = AttemptTime(m_host.MeasureRoundTrip(kServerGroups[nGroupIndex].szProbeAddress));
    m_host.Pause(kPauseMilliseconds);
    m_host.AppendLog(FormatResult(fTime));
    if (fTime >= 0.0f)
        tally.AddSuccess(fTime);
    m_host.Pause(kPauseMilliseconds);
}

void COptimizeRun::CarryOut(const OptimizeDecision& decision)
{
    switch (decision.outcome) {
    case OptimizeOutcome::ApplyRouteTable:
        // A rewrite that did not reach the file must not be reported as a finished optimization.
        m_bHostsWritten = m_host.ApplyRouteTable(*m_routeTables[decision.nGroupIndex]);
        m_host.AppendLog(m_bHostsWritten ? kszOptimized : kszHostsNotWritten);
        return;
    case OptimizeOutcome::NoNeed:
        m_host.AppendLog(kszNoNeed);
        return;
    case OptimizeOutcome::NoNetwork:
        m_host.AppendLog(kszNoNetwork);
        return;
    }
}

#pragma once

#include "optimize/IOptimizeRunHost.h"
#include "optimize/OptimizeDecision.h"
#include "optimize/RouteTable.h"

#include <cstdint>

// One optimization run: five passes of probes over the three server groups, every attempt
// reported in the log, then the decision and its outcome. The host does the platform work.
// The program keeps one for its whole life, which is how it allows only one run.
class COptimizeRun {
public:
    COptimizeRun(IOptimizeRunHost& host, const CRouteTable& routeTable1,
                 const CRouteTable& routeTable2, const CRouteTable& routeTable3) noexcept;

    // The whole run, the first time only: a call while it goes on (from within the host's
    // pause) or after it ended does nothing. The start button is disabled at its beginning and
    // stays so. A run that cannot go on (out of memory) ends with its outcome text all the
    // same, where the log can still take it: HOSTS either got the edit or was left alone.
    void Run() noexcept;
    // True from the run's start to its end, the pauses included.
    [[nodiscard]] bool IsRunning() const noexcept { return m_stage == Stage::Running; }

private:
    void RunPasses();
    void ReportUnfinished() noexcept;
    void Attempt(int nPass, int nGroupIndex, GroupTally& tally);
    void CarryOut(const OptimizeDecision& decision);

    enum class Stage { NotStarted, Running, Ended };

    IOptimizeRunHost& m_host;
    const CRouteTable* m_routeTables[kServerGroupCount];
    Stage m_stage = Stage::NotStarted;
    bool m_bHostsWritten = false;
};

#pragma once

#include "optimize/IOptimizeRunHost.h"
#include "optimize/OptimizeDecision.h"
#include "optimize/RouteTable.h"

#include <cstdint>

// One optimization run: five passes of probes over the three server groups, every attempt
// reported in the log, then the decision and its outcome. The host does the platform work.
class COptimizeRun {
public:
    COptimizeRun(IOptimizeRunHost& host, const CRouteTable& routeTable1,
                 const CRouteTable& routeTable2, const CRouteTable& routeTable3);

    // The whole run. The start button is disabled at its beginning and stays so. A run that
    // cannot go on (out of memory) ends with its outcome text all the same, where the log can
    // still take it: HOSTS either got the edit or was left alone.
    void Run() noexcept;

private:
    void RunPasses();
    void ReportUnfinished() noexcept;
    void Attempt(int nPass, int nGroupIndex, GroupTally& tally);
    void CarryOut(const OptimizeDecision& decision);

    IOptimizeRunHost& m_host;
    const CRouteTable* m_routeTables[kServerGroupCount];
    bool m_bHostsWritten = false;
};

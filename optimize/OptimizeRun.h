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

    // The whole run. The start button is disabled at its beginning and stays so.
    void Run();

private:
    void Attempt(int nPass, int nGroupIndex, GroupTally& tally);
    void CarryOut(const OptimizeDecision& decision);

    IOptimizeRunHost& m_host;
    const CRouteTable* m_routeTables[kServerGroupCount];
};

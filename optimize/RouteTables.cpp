#include "optimize/RouteTables.h"

#include "optimize/ServerGroup.h"

#include <string>

void FillRouteTables(CRouteTable& routeTable1, CRouteTable& routeTable2, CRouteTable& routeTable3)
{
    CRouteTable* const tables[kServerGroupCount] = {&routeTable1, &routeTable2, &routeTable3};
    RouteEntry entry;
    for (int group = 0; group < kServerGroupCount; ++group) {
        entry.strAddress = kServerGroups[group].szServiceAddress;
        entry.strHostName = kPortalHostName;
        tables[group]->AddTail(entry);
        for (const char* label : kGameHostLabels) {
            entry.strHostName = std::string(label) + "." + kPortalHostName;
            tables[group]->AddTail(entry);
        }
    }
}

#pragma once

#include "optimize/RouteTable.h"

// Fills the route tables of server groups 1, 2 and 3: each gets the portal host name and the
// eight game host names, in that order, all mapped to its group's service address. Appends to
// whatever the tables already hold.
void FillRouteTables(CRouteTable& routeTable1, CRouteTable& routeTable2, CRouteTable& routeTable3);

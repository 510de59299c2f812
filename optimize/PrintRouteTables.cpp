// Prints the three route tables, one line an entry: the group's number, the address and the host
// name. The release reads them for the player's guide, which must name what the program writes.
#include "optimize/RouteTables.h"

#include <cstdio>

int main()
{
    CRouteTable tables[3];
    FillRouteTables(tables[0], tables[1], tables[2]);
    for (int group = 0; group < 3; ++group) {
        for (const RouteEntry& entry : tables[group])
            std::printf("%d %s %s\n", group + 1, entry.strAddress.c_str(), entry.strHostName.c_str());
    }
    return 0;
}

#include "optimize/RouteTable.h"
#include "optimize/RouteTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<RouteEntry> Walk(const CRouteTable& table)
{
    return std::vector<RouteEntry>(table.begin(), table.end());
}

} // namespace

TEST(RouteTable, KeepsDuplicateHostNamesAndAWalkMeetsTheFirstOneFirst)
{
    CRouteTable table;
    table.AddTail({"1.1.1.1", "a.example"});
    table.AddTail({"2.2.2.2", "b.example"});
    table.AddTail({"3.3.3.3", "a.example"});
    ASSERT_EQ(table.GetCount(), 3u);
    auto it = table.begin();
    while (it != table.end() && it->strHostName != "a.example")
        ++it;
    ASSERT_NE(it, table.end());
    EXPECT_EQ(it->strAddress, "1.1.1.1");

    // Removing during a walk continues with the successor.
    it = table.RemoveAt(it);
    EXPECT_EQ(*it, (RouteEntry{"2.2.2.2", "b.example"}));
    EXPECT_EQ(Walk(table), (std::vector<RouteEntry>{{"2.2.2.2", "b.example"}, {"3.3.3.3", "a.example"}}));
}

TEST(RouteTables, EachGroupMapsThePortalAndTheEightGameHostsToItsServiceAddress)
{
    const std::vector<std::string> hostNames = {
        "tirox.example",     "ddz.tirox.example", "majh.tirox.example",
        "xqi.tirox.example", "wzq.tirox.example", "tlj.tirox.example",
        "sjz.tirox.example", "bdz1.tirox.example", "hjd.tirox.example",
    };
    const char* const serviceAddresses[] = {"192.0.2.20", "198.51.100.20", "203.0.113.20"};

    CRouteTable tables[3];
    FillRouteTables(tables[0], tables[1], tables[2]);

    for (int group = 0; group < 3; ++group) {
        std::vector<RouteEntry> expected;
        expected.reserve(hostNames.size());
        for (const std::string& host : hostNames)
            expected.push_back({serviceAddresses[group], host});
        EXPECT_EQ(Walk(tables[group]), expected) << "group " << group + 1;
        // A walk consumes nothing: walking again gives the same entries.
        EXPECT_EQ(Walk(tables[group]), expected) << "group " << group + 1;
    }
}

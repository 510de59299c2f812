#include "optimize/RouteTable.h"

#include <gtest/gtest.h>

TEST(RouteTable, RemoveHeadOfOneEntryLeavesAnEmptyTableThatTakesEntriesAgain)
{
    CRouteTable table;
    table.AddTail({"1.2.3.4", "a.example"});
    RouteEntry head = table.RemoveHead();
    EXPECT_EQ(head, (RouteEntry{"1.2.3.4", "a.example"}));
    EXPECT_EQ(table.GetCount(), 0u);
    table.AddTail({"5.6.7.8", "b.example"});
    EXPECT_EQ(table.GetCount(), 1u);
}

#include "common/status_list.h"

#include <gtest/gtest.h>

TEST(StatusList, KeepsLinesInArrivalOrderAndClears)
{
    StatusList list;
    list.add("Checksum Error # 1");
    list.add("Byte #1 4");
    EXPECT_EQ(list.lines(), QStringList({"Checksum Error # 1", "Byte #1 4"}));
    list.clear();
    EXPECT_EQ(list.count(), 0);
}

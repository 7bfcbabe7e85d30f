#include "sources/NaturalOrder.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using sources::NaturalLess;

TEST(NaturalOrder, SortsAsAFileManagerDoes) {
    std::vector<std::string> names = {"img10",
                                      "IMG9",
                                      "img9b",
                                      "img009",
                                      "img",
                                      "Img1",
                                      "img0",
                                      "img00",
                                      "a100b",
                                      "a99z",
                                      "a",
                                      "_x",
                                      "10",
                                      "9",
                                      "99999999999999999999",
                                      "100000000000000000000",
                                      "\xe3\x81\x82",
                                      "Z"};
    std::sort(names.begin(), names.end(), NaturalLess);
    EXPECT_EQ(names, (std::vector<std::string>{"9", "10", "99999999999999999999", "100000000000000000000", "_x", "a",
                                               "a99z", "a100b", "img", "img0", "img00", "Img1", "IMG9", "img009",
                                               "img9b", "img10", "Z", "\xe3\x81\x82"}));
}

TEST(NaturalOrder, IsAStrictTotalOrder) {
    // Names equal but for case or leading zeros still have one order, and no name comes before itself.
    EXPECT_FALSE(NaturalLess("p7", "p7"));
    EXPECT_NE(NaturalLess("p07", "p7"), NaturalLess("p7", "p07"));
    EXPECT_NE(NaturalLess("A", "a"), NaturalLess("a", "A"));
    EXPECT_TRUE(NaturalLess("", "a"));
    EXPECT_FALSE(NaturalLess("a", ""));
}

// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>

#include "doc/string_array.h"

namespace {

// Move must shift exactly the elements between, in both directions, and
// keep the strings themselves intact (they are never copied).
TEST(StringArray, MoveShiftsOnlyTheRangeBetween)
{
    CStringArray a{"a", "b", "c", "d", "e"};
    const std::string* d = &a[3];
    a.Move(3, 1);
    EXPECT_EQ(a, (std::vector<std::string>{"a", "d", "b", "c", "e"}));
    EXPECT_EQ(&a[1], d);
    a.Move(0, 4);
    EXPECT_EQ(a, (std::vector<std::string>{"d", "b", "c", "e", "a"}));
    a.Move(2, 2);
    EXPECT_EQ(a, (std::vector<std::string>{"d", "b", "c", "e", "a"}));
}

// It stands in for a vector of strings: copies are deep, erase and insert
// keep the others in order, and the standard algorithms work on it.
TEST(StringArray, BehavesLikeAVectorOfStrings)
{
    CStringArray a = std::vector<std::string>{"x", "y", "z"};
    CStringArray copy = a;
    copy[0] = "changed";
    EXPECT_EQ(a[0], "x");
    a.emplace_back(3, 'q');
    a.erase(a.begin() + 1);
    a.insert(a.begin(), "w");
    EXPECT_EQ(a.ToVector(), (std::vector<std::string>{"w", "x", "z", "qqq"}));
    EXPECT_EQ(std::find(a.begin(), a.end(), "z") - a.begin(), 2);
    a.resize(6);
    EXPECT_TRUE(a[5].empty());
}

}  // namespace

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

// It stands in for a vector of strings: copies are deep, iterators work
// with the standard algorithms, erase and insert keep the others in order.
TEST(StringArray, BehavesLikeAVectorOfStrings)
{
    CStringArray a = std::vector<std::string>{"x", "y"};
    CStringArray copy = a;
    copy[0] = "changed";
    EXPECT_EQ(a[0], "x");
    a.push_back("z");
    a.emplace_back(3, 'q');
    EXPECT_EQ(a.back(), "qqq");
    a.erase(a.begin() + 1);
    a.insert(a.begin(), "w");
    EXPECT_EQ(a.ToVector(), (std::vector<std::string>{"w", "x", "z", "qqq"}));
    EXPECT_EQ(std::find(a.begin(), a.end(), "z") - a.begin(), 2);
    const CStringArray& ca = a;
    EXPECT_EQ(std::count_if(ca.begin(), ca.end(), [](const std::string& s) { return s.size() == 1; }), 3);
    a.resize(6);
    EXPECT_EQ(a.size(), 6u);
    EXPECT_TRUE(a[5].empty());
    a.pop_back();
    a.clear();
    EXPECT_TRUE(a.empty());
}

}  // namespace

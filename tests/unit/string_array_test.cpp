// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/document/string_array.h"

namespace {
// Texts taken from the array are copied before anything moves, also when reclaiming; empty texts view real memory.
TEST(StringArray, TextsOfTheArrayItselfAndEmptyTexts)
{
    CStringArray a{"", "first", std::string(300000, 'h')};
    EXPECT_NE(a[0].data(), nullptr);
    a.push_back(a[1]);
    a.Insert(0, a[3]);
    a.Set(2, a[0]);
    EXPECT_EQ(a, (std::vector<std::string>{"first", "", "first", std::string(300000, 'h'), "first"}));
    // Rewriting the huge text until the dead bytes outweigh the live ones.
    for (int k = 0; k < 40; ++k)
        a.Set(3, a[3]);
    a.Set(0, a[3]);
    EXPECT_EQ(a[0], std::string(300000, 'h'));
    EXPECT_EQ(a[3], a[0]);
    EXPECT_EQ(a[4], "first");
    // A moved-from array starts afresh, apart from the one it went to.
    CStringArray b = std::move(a);
    a.push_back("after");
    b.push_back("other");
    EXPECT_EQ(a, std::vector<std::string>{"after"});
}

// Large blocks are used to their last byte, as is an own block for a text just over a standard block.
TEST(StringArray, FillsLargeBlocksToTheirEnd)
{
    std::vector<std::string> model;
    for (int i = 0; i < 6000; ++i)
        model.push_back(std::string(999 + i % 7, static_cast<char>('a' + i % 26)));
    model.push_back(std::string((std::size_t{2} << 20) + 1, 'z'));
    CStringArray a(model);
    EXPECT_EQ(a, model);
}

// Moves both ways and to ends, equal neighbours share a record, deep copies; Erase/pop_back free mostly dead blocks.
TEST(StringArray, MovesSharesCopiesAndReclaims)
{
    CStringArray a{"a", "b", "c", "d", "e"};
    for (const auto& [from, to] : {std::pair{0, 4}, {4, 0}, {1, 3}, {3, 2}, {2, 2}})
        a.Move(from, to);
    EXPECT_EQ(a, (std::vector<std::string>{"a", "c", "b", "d", "e"}));
    a.push_back("same");
    a.Insert(0, "same");
    a.Set(2, "samf");
    a.Set(3, "samf");
    a.Erase(6);
    const CStringArray copy = a;
    a.Set(0, "changed after the copy");
    EXPECT_EQ(a, (std::vector<std::string>{"changed after the copy", "a", "samf", "samf", "d", "e"}));
    EXPECT_EQ(copy, (std::vector<std::string>{"same", "a", "samf", "samf", "d", "e"}));
    for (const bool pop : {true, false}) {
        CStringArray big;
        for (int i = 0; i < 60; ++i)
            big.push_back(std::string(200000 + i, static_cast<char>('a' + i % 26)));
        for (int i = 0; i < 58; ++i)
            pop ? big.pop_back() : big.Erase(0);
        EXPECT_EQ(big[1], std::string(200000 + (pop ? 1 : 59), pop ? 'b' : 'h'));
        EXPECT_LT(big.Footprint(), std::uint64_t{8} << 20) << pop;
    }
}

// Repeated Set leaves old bytes behind each time: Set alone must reclaim them, as Erase and pop_back do.
TEST(StringArray, SetAloneReclaimsTheBytesItLeaves)
{
    CStringArray a;
    a.push_back("first");
    // Two texts in turn, so that neither shares the record stored before it.
    const std::string big[] = {std::string(100000, 'x'), std::string(100000, 'y')};
    for (int i = 0; i < 2000; ++i)
        a.Set(0, big[i % 2]);
    EXPECT_LT(a.Footprint(), std::uint64_t{16} << 20);
    EXPECT_EQ(a[0], big[1]);
}

// Swap swaps the live-byte counts: the small array reclaims in time, the large never while little of it is dead.
TEST(StringArray, SwappedArraysReclaimByTheirOwnTexts)
{
    CStringArray large(std::vector<std::string>(100, std::string(200000, 'l')));
    CStringArray small{"s"};
    large.swap(small);
    const char* const kept = small[1].data();
    small.Set(0, std::string(200000, 'n'));
    EXPECT_EQ(small[1].data(), kept) << "reclaimed with little dead";
    const std::string big[] = {std::string(1 << 20, 'x'), std::string(1 << 20, 'y')};
    for (int i = 0; i < 30; ++i)
        large.Set(0, big[i % 2]);
    EXPECT_LT(large.Footprint(), std::uint64_t{16} << 20);
}
}  // namespace

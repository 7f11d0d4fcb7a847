// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/document/string_array.h"

namespace {

std::uint64_t LiveBytes(const std::vector<std::string>& texts)
{
    std::uint64_t n = 0;
    for (const std::string& t : texts)
        n += t.size();
    return n;
}

// Texts taken from the array itself are copied before anything moves, also
// when the change reclaims the blocks; empty texts view real memory.
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

// Large blocks are used to their last byte, and a text of its own block
// just over a standard block too.
TEST(StringArray, FillsLargeBlocksToTheirEnd)
{
    std::vector<std::string> model;
    for (int i = 0; i < 6000; ++i)
        model.push_back(std::string(999 + i % 7, static_cast<char>('a' + i % 26)));
    model.push_back(std::string((std::size_t{2} << 20) + 1, 'z'));
    CStringArray a(model);
    EXPECT_EQ(a, model);
}

// Random changes agree with a vector of strings, copies are deep, and the
// blocks never hold much more than the live texts.
TEST(StringArray, AgreesWithAVectorOfStringsAndReclaimsItsBlocks)
{
    std::mt19937 rng(7);
    std::vector<std::string> model;
    CStringArray a;
    auto text = [&] {
        const unsigned r = rng() % 100;
        const std::size_t n = r == 0   ? 200000 + rng() % 300000
                              : r == 1 ? 4000 + rng() % 60000
                              : r < 10 ? 0
                              : r < 30 ? 1 + rng() % 2  // often equal to the text before
                                       : rng() % 400;
        return std::string(n, static_cast<char>('a' + (r < 30 ? rng() % 2 : rng() % 26)));
    };
    for (int step = 0; step < 20000; ++step) {
        const std::size_t i = model.empty() ? 0 : rng() % model.size();
        switch (model.size() < 50 ? 0 : rng() % 6) {
        case 0:
        case 1: {
            const std::string t = text();
            a.Insert(i, t);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(i), t);
            break;
        }
        case 2:
            a.Erase(i);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        case 3: {
            const std::string t = text();
            a.Set(i, t);
            model[i] = t;
            break;
        }
        case 4: {
            const std::size_t to = rng() % model.size();
            a.Move(i, to);
            const std::string moved = model[i];
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(to), moved);
            break;
        }
        default:
            a.pop_back();
            model.pop_back();
        }
        const std::uint64_t bound = 2 * LiveBytes(model) + (std::uint64_t{6} << 20) +
                                    a.size() * sizeof(std::string_view) * 2 + 64 * 1024;
        ASSERT_LE(a.Footprint(), bound) << step;
        if (step % 1000 == 0) {
            ASSERT_EQ(a, model) << step;
            const CStringArray copy = a;
            a.Set(0, "changed after the copy");
            ASSERT_EQ(copy, model) << step;
            a.Set(0, model[0]);
        }
    }
    EXPECT_EQ(a.ToVector(), model);
}

// Setting a text over and over leaves its old bytes behind each time: Set
// alone must reclaim them, as Erase and pop_back do.
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

// Swapped arrays swap the counts of their live bytes too, on which each
// decides when to reclaim its blocks: the small one does so in time, and
// the large one never while it holds little that is dead.
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

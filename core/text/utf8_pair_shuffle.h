// SPDX-License-Identifier: MIT
#pragma once

#include <array>

// Eight (lead, trail) byte pairs come together with one shuffle: every
// trail stays, a lead only where its character needs two bytes. Indexed by
// the eight characters' "needs a lead" bits; unused places are cleared.
// Shared by the converters to UTF-8 from Windows-1252 and from UTF-16.
struct alignas(16) Utf8PairShuffle {
    unsigned char index[16];
};

constexpr std::array<Utf8PairShuffle, 256> MakeUtf8PairShuffles()
{
    std::array<Utf8PairShuffle, 256> table{};
    for (int lead = 0; lead < 256; ++lead) {
        int k = 0;
        for (int i = 0; i < 8; ++i) {
            if ((lead >> i) & 1)
                table[lead].index[k++] = static_cast<unsigned char>(2 * i);
            table[lead].index[k++] = static_cast<unsigned char>(2 * i + 1);
        }
        while (k < 16)
            table[lead].index[k++] = 0x80;
    }
    return table;
}

inline constexpr std::array<Utf8PairShuffle, 256> kUtf8PairShuffles = MakeUtf8PairShuffles();

// SPDX-License-Identifier: MIT
#include "core/recovery/version_merge.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "core/document/ovrin_doc.h"

namespace {

// Up to this many entries go and come in place, each moving the others'
// places by one; more are merged into a new table in one pass, which copies
// every text.
constexpr std::size_t kInPlace = 64;

// An entry that came with a change, its texts owned here.
struct CameEntry {
    std::string keyWords, description, date;
    EntryTexts Texts() const { return {keyWords, description, date}; }
};

}  // namespace

MergeOutcome ReplayOnto(EntryTable& version, const std::vector<ContentStep>& steps)
{
    MergeOutcome outcome;
    outcome.steps = static_cast<int>(steps.size());
    // Entries are slots: the version's own first, then those the steps
    // bring. Only the digests the steps name are looked for in the version,
    // in one pass over it.
    const std::size_t own = version.keyWords.size();
    std::vector<CameEntry> came;
    std::vector<bool> alive(own, true);
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> slotsOf;
    for (const ContentStep& step : steps) {
        if (step.gone)
            slotsOf.try_emplace(*step.gone);
        if (step.came)
            slotsOf.try_emplace(EntryDigest(*step.came));
    }
    if (slotsOf.empty())
        return outcome;
    for (std::size_t i = 0; i < own; ++i) {
        const auto it = slotsOf.find(EntryDigest(EntryAt(version, i)));
        if (it != slotsOf.end())
            it->second.push_back(i);
    }
    const auto texts = [&](std::size_t slot) {
        return slot < own ? EntryAt(version, slot) : came[slot - own].Texts();
    };

    bool changed = false;
    for (const ContentStep& step : steps) {
        if (step.gone) {
            std::vector<std::size_t>& slots = slotsOf[*step.gone];
            const auto it = std::find_if(slots.begin(), slots.end(), [&](std::size_t s) { return alive[s]; });
            if (it != slots.end()) {
                alive[*it] = false;
                changed = true;
            } else if (step.came) {
                ++outcome.keptTwice;
            } else {
                ++outcome.keptChanged;
            }
        }
        if (step.came) {
            const EntryTexts& entry = *step.came;
            std::vector<std::size_t>& slots = slotsOf[EntryDigest(entry)];
            if (std::any_of(slots.begin(), slots.end(),
                            [&](std::size_t s) { return alive[s] && texts(s) == entry; }))
                continue;  // the other version holds it already
            slots.push_back(own + came.size());
            came.push_back({std::string(entry.keyWords), std::string(entry.description), std::string(entry.date)});
            alive.push_back(true);
            changed = true;
        }
    }
    if (!changed)
        return outcome;

    // The entries that came go in one pass, each in front of the first of
    // the version's entries with greater key words.
    std::vector<std::size_t> coming;
    for (std::size_t slot = own; slot < alive.size(); ++slot)
        if (alive[slot])
            coming.push_back(slot);
    std::stable_sort(coming.begin(), coming.end(), [&](std::size_t a, std::size_t b) {
        return CompareKeyWords(came[a - own].keyWords, came[b - own].keyWords) < 0;
    });
    const auto gone = static_cast<std::size_t>(std::count(alive.begin(), alive.begin() + static_cast<std::ptrdiff_t>(own), false));
    CStringArray* const arrays[] = {&version.keyWords, &version.descriptions, &version.dates};
    if (gone + coming.size() <= kInPlace) {
        for (std::size_t i = own; i-- > 0;)
            if (!alive[i])
                for (CStringArray* texts : arrays)
                    texts->Erase(i);
        for (const std::size_t slot : coming) {
            const EntryTexts e = came[slot - own].Texts();
            const auto place = static_cast<std::size_t>(
                std::upper_bound(version.keyWords.begin(), version.keyWords.end(), e.keyWords,
                                 [](std::string_view a, std::string_view b) { return CompareKeyWords(a, b) < 0; }) -
                version.keyWords.begin());
            version.keyWords.Insert(place, e.keyWords);
            version.descriptions.Insert(place, e.description);
            version.dates.Insert(place, e.date);
        }
        return outcome;
    }
    EntryTable merged;
    const auto append = [&merged](const EntryTexts& e) {
        merged.keyWords.push_back(e.keyWords);
        merged.descriptions.push_back(e.description);
        merged.dates.push_back(e.date);
    };
    std::size_t c = 0;
    for (std::size_t i = 0; i < own; ++i) {
        if (!alive[i])
            continue;
        for (; c < coming.size() && CompareKeyWords(came[coming[c] - own].keyWords, version.keyWords[i]) < 0; ++c)
            append(came[coming[c] - own].Texts());
        append(EntryAt(version, i));
    }
    for (; c < coming.size(); ++c)
        append(came[coming[c] - own].Texts());
    version = std::move(merged);
    return outcome;
}

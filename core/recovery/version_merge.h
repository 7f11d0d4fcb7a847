// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/document/entry_table.h"

// One change the window made, told by content rather than by place: the
// entry that went (by its EntryDigest) and the one that came. Add and Undo
// bring an entry, Delete takes one, Edit does both.
struct ContentStep {
    std::optional<std::uint64_t> gone;
    std::optional<EntryTexts> came;
};

// What replaying the window's changes onto another version did.
struct MergeOutcome {
    // Changes replayed.
    int steps = 0;
    // Edits of an entry the other version no longer holds as it was: the
    // other version's entry stays beside the edited one.
    int keptTwice = 0;
    // Deletions of an entry the other version changed (its version stays)
    // or deleted too.
    int keptChanged = 0;
    // Entries of the result the window did not hold, counted by whoever
    // knows both (CountNotIn).
    int cameIn = 0;
};

// Replays `steps` onto `version`, the other version of the file as it is
// now, so that nothing either side wrote is lost:
// - an entry that comes is added, unless `version` holds it already (equal
//   key words, description and date);
// - an entry that goes is taken out if `version` still holds it unchanged,
//   and stays otherwise.
// An entry both sides changed therefore ends with both versions. Entries
// added come in at their key-word place, behind equal key words; the texts
// of `steps` are copied, so they need not outlive the call.
MergeOutcome ReplayOnto(EntryTable& version, const std::vector<ContentStep>& steps);

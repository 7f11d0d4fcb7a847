// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "platform/known_file.h"
#include "core/document/table_change.h"
#include "core/recovery/version_merge.h"

class COvrinDoc;

// What a recovery record's changes start from: the document's file as it
// was read or last written (its path's exact bytes and identity), or, with
// an empty path, a new untitled document without entries.
struct RecordBase {
    std::string path;
    FileStamp file;
};

// A recovery record is the start (which names the base) followed by one
// frame a change, each behind its length and checksum, so that a write torn
// by a crash is recognised and dropped with everything after it. A frame
// holds what one command did (an entry inserted, removed or rewritten, with
// its texts, and the digest of the entry removed or rewritten) or the whole
// table where no smaller step says it.
std::string EncodeRecordStart(const RecordBase& base);
// `change` must be an insertion, removal or rewrite the document's table has
// just gone through.
std::string EncodeTableChange(const COvrinDoc& doc, const TableChange& change);
std::string EncodeWholeTable(const COvrinDoc& doc);
// What is typed into an open Edit dialog on entry `entry` (-1: a new one,
// `gone` then 0; else the digest of the entry as it is): recovered as an
// entry of the table unless another change follows it. A dialog cancelled
// after such a frame is told by the second.
std::string EncodeTyping(int entry, std::uint64_t gone, const EntryTexts& typed);
std::string EncodeTypingEnded();
// The changes before were made to another version of the file (a merge):
// from here on the record is replayed by content only.
std::string EncodeMergedOntoOtherVersion();
// Whether the record can be replayed by places onto its base (ReplayRecord):
// no merge onto another version came in between.
bool ReplaysByPlace(std::string_view record);
// What the window shows: the current entry (-1 for none) and whether the
// key list or the entry's description.
std::string EncodeView(int current, bool keyList);

// The base a record names; nothing when the bytes are no record.
std::optional<RecordBase> ReadRecordBase(std::string_view record);

// Whether the file stamped `now` is still the one a record's base names,
// change time included: bytes rewritten in place with the modification time
// set back are another version, onto which the record is replayed by
// content.
bool IsRecordedFile(const FileStamp& recorded, const FileStamp& now);

// Whether the record holds at least one change written whole.
bool HasRecordedChanges(std::string_view record);
// Whether a record of `size` bytes that begins with `head` (its start and
// the next frame's length at least) may hold a change: its first change's
// frame must fit in the file. Decides without reading the record whole.
bool MayHoldChanges(std::string_view head, std::uint64_t size);

// Applies the record's changes to the document, which must hold its base:
// the table, and the position, become those after the last change that was
// written whole, and the view the last view frame names. Changes that do not fit the table they meet (a record over
// another table) are not applied, nor is anything after them. Returns how
// many changes were applied.
int ReplayRecord(std::string_view record, COvrinDoc& doc);

// The record's changes by content (ContentStep), for a replay onto another
// version of its file; a whole table counts as all its entries coming. The
// texts point into `record` or into `spills`. The view the last view frame
// names goes to `keyList`.
std::vector<ContentStep> RecordedContent(std::string_view record, std::deque<std::string>& spills,
                                         std::optional<bool>* keyList = nullptr);

// Replays the record's changes onto the document, which holds its file as it
// is now rather than the record's base (ReplayOnto): nothing either version
// wrote is lost. The entry last changed becomes current, and the view the
// record names is shown.
MergeOutcome ReplayRecordOnto(std::string_view record, COvrinDoc& doc);

// SPDX-License-Identifier: MIT
#include "core/recovery/recovery_record.h"

#include <algorithm>
#include <deque>
#include <vector>

#include <xxhash.h>

#include "core/document/ovrin_doc.h"
#include "core/text/text_form.h"

namespace {

// Version 2 named the entry each deletion and edit took away by its
// digest, so that the changes can be replayed onto another version of the
// file; version 3 holds every text as UTF-8. A record of an older version
// is left alone.
constexpr std::string_view kMagic = "ovrin recovery record 3\n";

// What is typed into an open Edit dialog ('W') counts only while no other
// change follows it; a dialog cancelled after it says so ('X').
enum Tag : char {
    kBase = 'B', kInserted = 'I', kRemoved = 'D', kRewritten = 'E', kTable = 'T', kView = 'V',
    kTyping = 'W', kTypingEnded = 'X', kMerged = 'M'
};

void PutNumber(std::string& out, std::uint64_t n)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(n >> (8 * i)));
}

void PutText(std::string& out, std::string_view text)
{
    PutNumber(out, text.size());
    out.append(text);
}

void PutEntry(std::string& out, const COvrinDoc& doc, int i)
{
    PutText(out, doc.KeyWords()[i]);
    PutText(out, doc.Descriptions()[i]);
    PutText(out, doc.Dates()[i]);
}

// A frame: the payload's length, its 32-bit xxHash, the payload.
std::string Frame(const std::string& payload)
{
    std::string out;
    out.reserve(payload.size() + 12);
    PutNumber(out, payload.size());
    const std::uint32_t check = XXH32(payload.data(), payload.size(), 0);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(check >> (8 * i)));
    out.append(payload);
    return out;
}

// Reads numbers and texts off the front of some bytes; once anything is
// missing every later read fails too.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_rest(bytes) {}
    bool ok() const { return m_ok; }
    bool AtEnd() const { return m_rest.empty(); }
    std::uint64_t Number(int bytes = 8)
    {
        if (!Need(static_cast<std::size_t>(bytes)))
            return 0;
        std::uint64_t n = 0;
        for (int i = 0; i < bytes; ++i)
            n |= std::uint64_t(static_cast<unsigned char>(m_rest[i])) << (8 * i);
        m_rest.remove_prefix(static_cast<std::size_t>(bytes));
        return n;
    }
    std::string_view Bytes(std::uint64_t n)
    {
        if (!Need(n))
            return {};
        const std::string_view out = m_rest.substr(0, n);
        m_rest.remove_prefix(n);
        return out;
    }
    std::string_view Text() { return Bytes(Number()); }
    std::size_t Rest() const { return m_rest.size(); }
    int Index()
    {
        const std::uint64_t n = Number();
        if (n > 0x7FFFFFFF)
            m_ok = false;
        return m_ok ? static_cast<int>(n) : -1;
    }

private:
    bool Need(std::uint64_t n)
    {
        if (m_rest.size() < n)
            m_ok = false;
        return m_ok;
    }
    std::string_view m_rest;
    bool m_ok = true;
};

// The payloads of the whole frames after the magic, up to the first torn or
// damaged one.
std::vector<std::string_view> Payloads(std::string_view record)
{
    std::vector<std::string_view> out;
    if (record.substr(0, kMagic.size()) != kMagic)
        return out;
    Reader reader(record.substr(kMagic.size()));
    while (!reader.AtEnd()) {
        const std::uint64_t length = reader.Number();
        const std::uint64_t check = reader.Number(4);
        const std::string_view payload = reader.Bytes(length);
        if (!reader.ok() || payload.empty() ||
            XXH32(payload.data(), payload.size(), 0) != check)
            break;
        out.push_back(payload);
    }
    return out;
}

// A record may have been damaged or crafted: a text that is not UTF-8 is
// taken as Windows-1252 bytes, kept in `spills` (whose elements never
// move), so that it is shown as it is.
std::string_view TextInForm(Reader& reader, std::deque<std::string>& spills)
{
    const std::string_view bytes = reader.Text();
    if (IsOfTextForm(bytes))
        return bytes;
    return spills.emplace_back(TextFromCp1252(bytes));
}

EntryTexts ReadEntry(Reader& reader, std::deque<std::string>& spills)
{
    EntryTexts e;
    e.keyWords = TextInForm(reader, spills);
    e.description = TextInForm(reader, spills);
    e.date = TextInForm(reader, spills);
    return e;
}

// One change read back, checked against the size of the table it meets.
struct Step {
    char tag = 0;
    int entry = 0;
    int from = 0;
    std::uint64_t gone = 0;  // of a deletion or an edit
    EntryTexts texts;
    std::string_view table;  // the entries of a whole table, still encoded
    int count = 0;
    bool keyList = false;  // of a view
};

std::optional<Step> ReadStep(std::string_view payload, int tableSize, std::deque<std::string>& spills)
{
    Reader reader(payload.substr(1));
    Step step;
    step.tag = payload[0];
    switch (step.tag) {
    case kInserted:
        step.entry = reader.Index();
        step.texts = ReadEntry(reader, spills);
        if (step.entry > tableSize)
            return std::nullopt;
        break;
    case kRemoved:
        step.entry = reader.Index();
        step.gone = reader.Number();
        if (step.entry >= tableSize)
            return std::nullopt;
        break;
    case kRewritten:
        step.from = reader.Index();
        step.entry = reader.Index();
        step.gone = reader.Number();
        step.texts = ReadEntry(reader, spills);
        if (step.from >= tableSize || step.entry >= tableSize)
            return std::nullopt;
        break;
    case kTable: {
        step.count = reader.Index();
        step.table = payload.substr(1 + 8);
        Reader entries(step.table);
        for (int i = 0; i < step.count && entries.ok(); ++i) {
            entries.Text();
            entries.Text();
            entries.Text();
        }
        if (!entries.ok() || !entries.AtEnd())
            return std::nullopt;
        break;
    }
    case kTyping:
        step.entry = reader.Index() - 1;  // -1: a new entry
        step.gone = reader.Number();
        step.texts = ReadEntry(reader, spills);
        if (step.entry >= tableSize)
            return std::nullopt;
        break;
    case kTypingEnded:
    case kMerged:
        break;
    case kView:
        // The entry is kept one up, so that none (-1) is 0.
        step.entry = reader.Index() - 1;
        step.keyList = reader.Number() != 0;
        if (step.entry >= tableSize)
            return std::nullopt;
        break;
    default:
        return std::nullopt;
    }
    if (!reader.ok() || (step.tag != kTable && !reader.AtEnd()))
        return std::nullopt;
    return step;
}

int SizeAfter(const Step& step, int tableSize)
{
    switch (step.tag) {
    case kInserted: return tableSize + 1;
    case kRemoved: return tableSize - 1;
    case kTable: return step.count;
    default: return tableSize;
    }
}

// Where an entry with key words `keyWords` goes among the others (all but
// `skip`): behind the last one whose key words are not greater.
int KeyPlace(const EntryTable& table, std::string_view keyWords, int skip)
{
    int place = 0;
    for (int i = 0; i < static_cast<int>(table.keyWords.size()); ++i) {
        if (i == skip)
            continue;
        if (CompareKeyWords(table.keyWords[static_cast<std::size_t>(i)], keyWords) > 0)
            break;
        ++place;
    }
    return place;
}

bool IsTableChange(char tag) { return tag != kView && tag != kBase && tag != kMerged; }

void Apply(const Step& step, EntryTable& table, int& current)
{
    switch (step.tag) {
    case kTyping: {
        const int place = KeyPlace(table, step.texts.keyWords, step.entry);
        ApplyChange(table,
                    step.entry < 0 ? TableChange{TableChange::Kind::Inserted, place}
                                   : TableChange{TableChange::Kind::Rewritten, place, step.entry},
                    step.texts);
        current = place;
        break;
    }
    case kInserted:
        ApplyChange(table, TableChange{TableChange::Kind::Inserted, step.entry}, step.texts);
        current = step.entry;
        break;
    case kRemoved:
        ApplyChange(table, TableChange{TableChange::Kind::Removed, step.entry}, {});
        current = step.entry > 0 ? step.entry - 1 : 0;
        break;
    case kRewritten:
        ApplyChange(table, TableChange{TableChange::Kind::Rewritten, step.entry, step.from}, step.texts);
        current = step.entry;
        break;
    case kTable: {
        table = EntryTable{};
        Reader entries(step.table);
        for (int i = 0; i < step.count; ++i) {
            // One entry's spills at a time: the table copies each text.
            std::deque<std::string> spills;
            const EntryTexts e = ReadEntry(entries, spills);
            table.keyWords.push_back(e.keyWords);
            table.descriptions.push_back(e.description);
            table.dates.push_back(e.date);
        }
        current = step.count > 0 ? 0 : -1;
        break;
    }
    case kView:
        current = step.entry;
        break;
    default:
        break;
    }
}

}  // namespace

std::string EncodeRecordStart(const RecordBase& base)
{
    std::string payload(1, kBase);
    PutText(payload, base.path);
    for (std::uint64_t n : {std::uint64_t{base.file.exists}, base.file.device, base.file.inode,
                            base.file.size, static_cast<std::uint64_t>(base.file.seconds),
                            static_cast<std::uint64_t>(base.file.nanoseconds),
                            static_cast<std::uint64_t>(base.file.changeSeconds),
                            static_cast<std::uint64_t>(base.file.changeNanoseconds)})
        PutNumber(payload, n);
    return std::string(kMagic) + Frame(payload);
}

std::string EncodeTableChange(const COvrinDoc& doc, const TableChange& change)
{
    std::string payload;
    switch (change.kind) {
    case TableChange::Kind::Inserted:
        payload.push_back(kInserted);
        PutNumber(payload, static_cast<std::uint64_t>(change.entry));
        PutEntry(payload, doc, change.entry);
        break;
    case TableChange::Kind::Removed:
        payload.push_back(kRemoved);
        PutNumber(payload, static_cast<std::uint64_t>(change.entry));
        PutNumber(payload, change.gone);
        break;
    case TableChange::Kind::Rewritten:
        // The whole entry, description too when it stayed: replayed onto
        // another version, the entry it came from may not be there.
        payload.push_back(kRewritten);
        PutNumber(payload, static_cast<std::uint64_t>(change.from));
        PutNumber(payload, static_cast<std::uint64_t>(change.entry));
        PutNumber(payload, change.gone);
        PutEntry(payload, doc, change.entry);
        break;
    case TableChange::Kind::Replaced:
        return EncodeWholeTable(doc);
    }
    return Frame(payload);
}

std::string EncodeWholeTable(const COvrinDoc& doc)
{
    std::string payload(1, kTable);
    PutNumber(payload, static_cast<std::uint64_t>(doc.Count()));
    for (int i = 0; i < doc.Count(); ++i)
        PutEntry(payload, doc, i);
    return Frame(payload);
}

std::string EncodeTyping(int entry, std::uint64_t gone, const EntryTexts& typed)
{
    std::string payload(1, kTyping);
    PutNumber(payload, static_cast<std::uint64_t>(entry + 1));
    PutNumber(payload, gone);
    for (const std::string_view text : {typed.keyWords, typed.description, typed.date})
        PutText(payload, text);
    return Frame(payload);
}

std::string EncodeTypingEnded() { return Frame(std::string(1, kTypingEnded)); }

std::string EncodeMergedOntoOtherVersion() { return Frame(std::string(1, kMerged)); }

bool ReplaysByPlace(std::string_view record)
{
    const std::vector<std::string_view> payloads = Payloads(record);
    return std::none_of(payloads.begin(), payloads.end(), [](std::string_view p) { return p[0] == kMerged; });
}

std::string EncodeView(int current, bool keyList)
{
    std::string payload(1, kView);
    PutNumber(payload, static_cast<std::uint64_t>(current + 1));
    PutNumber(payload, keyList ? 1 : 0);
    return Frame(payload);
}

std::optional<RecordBase> ReadRecordBase(std::string_view record)
{
    const std::vector<std::string_view> payloads = Payloads(record);
    if (payloads.empty() || payloads[0][0] != kBase)
        return std::nullopt;
    Reader reader(payloads[0].substr(1));
    RecordBase base;
    base.path = std::string(reader.Text());
    base.file.exists = reader.Number() != 0;
    base.file.device = reader.Number();
    base.file.inode = reader.Number();
    base.file.size = reader.Number();
    base.file.seconds = static_cast<std::int64_t>(reader.Number());
    base.file.nanoseconds = static_cast<std::int64_t>(reader.Number());
    base.file.changeSeconds = static_cast<std::int64_t>(reader.Number());
    base.file.changeNanoseconds = static_cast<std::int64_t>(reader.Number());
    if (!reader.ok() || !reader.AtEnd())
        return std::nullopt;
    return base;
}

bool IsRecordedFile(const FileStamp& recorded, const FileStamp& now) { return recorded == now; }

bool HasRecordedChanges(std::string_view record)
{
    return ReadRecordBase(record) && Payloads(record).size() > 1;
}

bool MayHoldChanges(std::string_view head, std::uint64_t size)
{
    if (!ReadRecordBase(head))
        return false;
    Reader reader(head.substr(kMagic.size()));
    reader.Bytes(reader.Number() + 4);
    const std::uint64_t at = head.size() - reader.Rest();
    const std::uint64_t length = reader.Number();
    return reader.ok() && length != 0 && length <= size && at + 12 <= size - length;
}

int ReplayRecord(std::string_view record, COvrinDoc& doc)
{
    if (!ReadRecordBase(record))
        return 0;
    // Every step is checked before the first is applied, so the table is
    // never left half replayed.
    std::vector<Step> steps;
    std::deque<std::string> spills;
    int size = doc.Count();
    const std::vector<std::string_view> payloads = Payloads(record);
    for (std::size_t i = 1; i < payloads.size(); ++i) {
        const std::optional<Step> step = ReadStep(payloads[i], size, spills);
        if (!step)
            break;
        size = SizeAfter(*step, size);
        steps.push_back(*step);
    }
    if (steps.empty())
        return 0;
    // Only the typing that no other change followed is still in its dialog.
    const auto last = std::find_if(steps.rbegin(), steps.rend(), [](const Step& s) { return IsTableChange(s.tag); });
    const Step* typing = last != steps.rend() && last->tag == kTyping ? &*last : nullptr;
    // The steps are replayed on a copy, which then becomes the table as a
    // whole: what was recovered is one new table to the views, and not
    // changes to record again.
    EntryTable table{doc.KeyWords(), doc.Descriptions(), doc.Dates()};
    int current = doc.Current();
    std::optional<bool> keyList;
    for (const Step& step : steps) {
        if (step.tag == kTyping && &step != typing)
            continue;
        Apply(step, table, current);
        if (step.tag == kView)
            keyList = step.keyList;
    }
    doc.ReplaceTable(std::move(table));
    doc.SetCurrent(current);
    if (keyList)
        doc.ShowKeyList(*keyList);
    return static_cast<int>(steps.size());
}

std::vector<ContentStep> RecordedContent(std::string_view record, std::deque<std::string>& spills,
                                         std::optional<bool>* keyList)
{
    std::vector<ContentStep> steps;
    if (!ReadRecordBase(record))
        return steps;
    std::optional<ContentStep> typing;
    const std::vector<std::string_view> payloads = Payloads(record);
    for (std::size_t i = 1; i < payloads.size(); ++i) {
        // Places do not matter here: only what came and what went.
        const std::optional<Step> step = ReadStep(payloads[i], INT32_MAX, spills);
        if (!step)
            break;
        if (IsTableChange(step->tag))
            typing.reset();
        switch (step->tag) {
        case kTyping:
            typing = ContentStep{step->entry >= 0 ? std::optional(step->gone) : std::nullopt, step->texts};
            break;
        case kInserted: steps.push_back({std::nullopt, step->texts}); break;
        case kRemoved: steps.push_back({step->gone, std::nullopt}); break;
        case kRewritten: steps.push_back({step->gone, step->texts}); break;
        case kTable: {
            // A whole table says what the window held, not what it took
            // away: every entry of it comes, none goes.
            Reader entries(step->table);
            for (int e = 0; e < step->count; ++e)
                steps.push_back({std::nullopt, ReadEntry(entries, spills)});
            break;
        }
        case kView:
            if (keyList)
                *keyList = step->keyList;
            break;
        }
    }
    if (typing)
        steps.push_back(*typing);
    return steps;
}

MergeOutcome ReplayRecordOnto(std::string_view record, COvrinDoc& doc)
{
    std::deque<std::string> spills;
    std::optional<bool> keyList;
    const std::vector<ContentStep> steps = RecordedContent(record, spills, &keyList);
    EntryTable table{doc.KeyWords(), doc.Descriptions(), doc.Dates()};
    const MergeOutcome outcome = ReplayOnto(table, steps);
    // The entry last changed is the current one, found by its key words.
    int current = table.keyWords.size() > 0 ? 0 : -1;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (step->came) {
            current = std::max(current, FindKeyWords(table, step->came->keyWords));
            break;
        }
    }
    doc.ReplaceTable(std::move(table));
    doc.SetCurrent(current);
    if (keyList)
        doc.ShowKeyList(*keyList);
    return outcome;
}

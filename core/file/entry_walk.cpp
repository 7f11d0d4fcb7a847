// SPDX-License-Identifier: MIT
#include "core/file/entry_walk.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "core/file/archive.h"
#include "core/file/entry_stream.h"
#include "core/text/text_form.h"
#include "platform/file_system.h"

namespace {

// Where a run lies in the file, noted by the checking pass.
struct RunPlace final {
    int first = 0;
    int count = 0;
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    bool wanted = false;  // an entry passed the sieve (or there is none)
};

// What the piece sieve said about the piece the checking pass reads: for
// each form of text, where the next place lies that may begin an
// occurrence, as far as it has looked. Texts are asked about in the order
// they lie, so each form's look goes on from the first text past the last
// place found, and the piece is read about once for each form. Where a look
// finds a place in the very text it began at, places are so dense that
// each text would be read twice: the rest of the piece is then let
// through to the stored sieve.
class PieceLook final {
public:
    PieceLook(const PieceSieve& sieve, std::string_view piece) : m_sieve(sieve), m_piece(piece) {}

    // Whether `text` may hold an occurrence: false when no place in it
    // may begin one.
    bool MayHold(const CArchive::StoredText& text)
    {
        const char* const begin = text.bytes.data();
        const char* const end = begin + text.bytes.size();
        if (text.bytes.empty() || begin < m_piece.data() || end > m_piece.data() + m_piece.size())
            return true;
        Form& form = m_forms[text.utf16 ? 1 : 0];
        if (form.dense)
            return true;
        if (!form.looked || (form.next != nullptr && form.next < begin)) {
            const std::string_view rest(begin, static_cast<std::size_t>(m_piece.data() + m_piece.size() - begin));
            const std::size_t at = m_sieve(rest, text.utf16);
            form.next = at == std::string_view::npos ? nullptr : begin + at;
            form.looked = true;
            form.dense = form.next != nullptr && form.next < end;
        }
        return form.next != nullptr && form.next < end;
    }

private:
    struct Form {
        bool looked = false;
        bool dense = false;
        const char* next = nullptr;  // none past the last look, when looked
    };
    const PieceSieve& m_sieve;
    std::string_view m_piece;
    Form m_forms[2];
};

// The texts of an entry for the sieve, read with a StoredTextSieve from
// memory (the views stay valid): false when it refuses both. A text where
// the piece sieve (if any) found no place to begin an occurrence is refused
// without asking.
class SiftedEntry final {
public:
    bool Read(CArchive& ar, bool hasDates, const StoredTextSieve& mayPass, PieceLook* piece)
    {
        const auto sift = [&](bool description, const CArchive::StoredText& text) {
            return piece != nullptr && !piece->MayHold(text) ? Sifted::Refused : mayPass(description, text);
        };
        const CArchive::StoredText keyWords = ar.ReadStoredText();
        const Sifted keys = sift(false, keyWords);
        const CArchive::StoredText description = ar.ReadStoredText();
        const Sifted text = sift(true, description);
        if (hasDates)
            ar.ReadStoredText();
        if (keys == Sifted::Refused && text == Sifted::Refused)
            return false;
        // Key words go to the sieve whatever their answer, to be shown.
        m_keyWords = CArchive::TextOf(keyWords, m_spill[0]);
        m_description = text == Sifted::MayHold ? CArchive::TextOf(description, m_spill[1]) : std::string_view();
        return true;
    }
    std::string_view KeyWords() const { return m_keyWords; }
    std::string_view Description() const { return m_description; }

private:
    std::string_view m_keyWords, m_description;
    std::string m_spill[2];
};

}  // namespace

void WalkEntryRun(const EntryRun& run, const EntryVisitor& visit)
{
    CArchive ar(run.bytes, std::string());
    CEntryStream stream(ar, run.hasDates, run.count);
    for (int i = 0; i < run.count; ++i) {
        const CEntryStream::Entry entry = stream.ReadEntry();
        visit(run.first + i, entry.keyWords, entry.description, entry.date);
    }
}

FileResult ReadDocumentRuns(const std::string& path, const EntryRunsVisitor& visit, WalkSizes sizes,
                            const EntrySieve& sieve, const StoredTextSieve& storedSieve, const PieceSieve& pieceSieve)
{
    const std::string fullPath = DocumentFullPath(path);
    FileResult result;
    std::uint64_t size = 0;
    const ReadingFile file = OpenDocumentForReading(fullPath, size, result);
    if (!file)
        return result;
    if (size == 0)
        return {};

    // The checking pass reads the file a piece at a time and notes where
    // the runs begin and end on the way. An entry cut by the end of a piece
    // begins the next one. One that fills a whole piece is read from the
    // file on its own, through a file archive that knows how much of the
    // file is left: it then holds no more than that entry, and a damaged
    // length is refused as it would be in one piece.
    std::vector<RunPlace> places;
    bool hasDates = true;
    // The check reads small pieces, which stay in the processor's cache
    // while they are decoded: a piece of several megabytes made it slower
    // than the conversion it guards.
    constexpr std::size_t kCheckPiece = 1 << 17;
    const auto chunk =
        static_cast<std::size_t>(std::clamp<std::uint64_t>(std::min(sizes.batchBytes, kCheckPiece), 1, size));
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    result = GuardedRead(fullPath, [&] {
        CArchive head(file.get(), size, fullPath);
        CEntryStream stream(head);
        if (!stream.IsKnownVersion())
            throw ArchiveError("not an Ovrin document (unknown version)");
        hasDates = stream.HasDates();
        const int count = stream.Count();
        std::uint64_t at = size - head.Remaining();
        const bool everyRun = !sieve;
        RunPlace run{0, 0, at, 0, everyRun};
        // A run that nothing passed is dropped; the visiting pass then
        // reads only the places that are left.
        const auto noteEntry = [&](int i) {
            ++run.count;
            run.end = at;
            if (run.end - run.begin >= sizes.runBytes || i + 1 == count) {
                if (run.wanted)
                    places.push_back(run);
                run = RunPlace{i + 1, 0, run.end, 0, everyRun};
            }
        };
        const auto sift = [&](int i, const CEntryStream::Entry& entry) {
            run.wanted = run.wanted || sieve(i, entry.keyWords, entry.description);
        };
        SiftedEntry sifted;
        // From memory only: the views of a file archive would not outlive
        // the next read.
        const auto readAndSift = [&](int i, CArchive& ar, CEntryStream& stream, PieceLook* piece) {
            if (!storedSieve)
                sift(i, stream.ReadEntry());
            else if (sifted.Read(ar, hasDates, storedSieve, piece))
                run.wanted = sieve(i, sifted.KeyWords(), sifted.Description());
        };
        buffer = std::make_unique_for_overwrite<char[]>(chunk);
        capacity = chunk;
        for (int i = 0; i < count;) {
            const std::uint64_t start = at;
            const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, size - start));
            if (const std::string problem = ReadFileAt(file.get(), buffer.get(), length, at); !problem.empty())
                throw ArchiveError(problem);
            CArchive ar(std::string_view(buffer.get(), length), fullPath);
            CEntryStream entries(ar, hasDates, count - i);
            std::optional<PieceLook> piece;
            if (storedSieve && pieceSieve)
                piece.emplace(pieceSieve, std::string_view(buffer.get(), length));
            try {
                for (; i < count; ++i) {
                    if (run.wanted)
                        entries.SkipEntry();
                    else
                        readAndSift(i, ar, entries, piece ? &*piece : nullptr);
                    at = start + (length - ar.Remaining());
                    noteEntry(i);
                }
            } catch (const ArchiveError&) {
                if (start + length == size)
                    throw;
            }
            if (i == count)
                break;
            // The next piece begins with the entry this one cut; only an
            // entry larger than a piece is read on its own.
            if (at > start)
                continue;
            if (::fseeko(file.get(), static_cast<off_t>(at), SEEK_SET) != 0)
                throw ArchiveError(std::strerror(errno));
            CArchive rest(file.get(), size - at, fullPath);
            CEntryStream one(rest, hasDates, 1);
            sift(i, one.ReadEntry());
            at = size - rest.Remaining();
            noteEntry(i++);
        }
    });
    if (!result.ok)
        return result;

    // The visiting pass reads a batch of whole runs that follow each other
    // at a time into one buffer, which grows only for a run larger than any
    // before.
    std::vector<EntryRun> batch;
    for (std::size_t r = 0; r < places.size();) {
        std::size_t e = r + 1;
        while (e < places.size() && places[e].begin == places[e - 1].end &&
               places[e].end - places[r].begin <= sizes.batchBytes)
            ++e;
        const std::uint64_t base = places[r].begin;
        const auto length = static_cast<std::size_t>(places[e - 1].end - base);
        if (capacity < length) {
            buffer.reset();
            result = GuardedRead(fullPath, [&] {
                buffer = std::make_unique_for_overwrite<char[]>(length);
                capacity = length;
            });
            if (!result.ok)
                return result;
        }
        if (const std::string problem = ReadFileAt(file.get(), buffer.get(), length, base); !problem.empty())
            return FileResult{false, FileResult::Error::CannotOpen, "Cannot read " + fullPath + ": " + problem + "."};
        batch.clear();
        for (std::size_t i = r; i < e; ++i)
            batch.push_back(EntryRun{places[i].first, places[i].count, hasDates,
                                     std::string_view(buffer.get() + (places[i].begin - base),
                                                      static_cast<std::size_t>(places[i].end - places[i].begin))});
        result = GuardedRead(fullPath, [&] { visit(batch); });
        if (!result.ok)
            return result;
        r = e;
    }
    return {};
}

FileResult ReadDocumentEntries(const std::string& path, const EntryVisitor& visit, WalkSizes sizes,
                               const EntrySieve& sieve, const StoredTextSieve& storedSieve,
                               const PieceSieve& pieceSieve)
{
    return ReadDocumentRuns(
        path,
        [&](const std::vector<EntryRun>& runs) {
            for (const EntryRun& run : runs)
                WalkEntryRun(run, visit);
        },
        sizes, sieve, storedSieve, pieceSieve);
}

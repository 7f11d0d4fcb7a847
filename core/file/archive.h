// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/document/string_array.h"

// A failed read: the data ended inside a field, or a count or length cannot
// be right for the bytes that are left.
class ArchiveError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The number a text's length prefix holds in the file (bytes of the 8-bit
// form, 16-bit units of the UTF-16 form), and all the bytes it takes there:
// in the UTF-16 form when the file held it so or it has a character
// Windows-1252 lacks.
std::uint64_t StoredLength(std::string_view text, bool heldAsUtf16);
std::uint64_t StoredSize(std::string_view text, bool heldAsUtf16);

// The byte stream of a document file: little-endian 32-bit values and
// length-prefixed strings. A loading archive reads from memory or from an
// open file through a buffer (so a large file is never held twice); a
// storing archive appends to a string.
class CArchive final {
public:
    // Loads from bytes in memory; `path` is what GetFilePath reports.
    CArchive(std::string_view bytes, std::string path);
    // The archive only views the bytes; a temporary would be gone at once.
    CArchive(std::string&& bytes, std::string path) = delete;
    // Loads from an open file of `size` bytes, from its current position.
    CArchive(std::FILE* file, std::uint64_t size, std::string path);
    // Stores into `out`, appending.
    explicit CArchive(std::string& out);
    // Stores into `buffer`, which is handed to `sink` and emptied whenever
    // it holds `chunk` bytes or more, and by Flush: a large document then
    // streams through one small buffer instead of being built whole.
    CArchive(std::string& buffer, std::function<void(std::string_view)> sink, std::size_t chunk);
    // Hands what is buffered to the sink (storing with a sink only).
    void Flush();

    bool IsStoring() const { return m_pOut != nullptr; }
    bool IsLoading() const { return !IsStoring(); }
    const std::string& GetFilePath() const { return m_strPath; }
    // Sees every piece read from the file (loading from a file only), in
    // order, including bytes read ahead that the stream never asks for.
    void SetReadObserver(std::function<void(std::string_view)> observer)
    {
        m_readObserver = std::move(observer);
    }
    // Bytes not yet read; lets a reader refuse a count before allocating.
    std::uint64_t Remaining() const { return m_nRemaining; }

    void WriteUInt32(std::uint32_t value);
    // Writes a text in the file's 8-bit form, or in its UTF-16 form when
    // it was held so or needs it.
    void WriteString(std::string_view text, bool heldAsUtf16 = false);

    std::uint32_t ReadUInt32();
    std::string ReadString();
    // Reads a string into `into`, reusing its storage.
    void ReadString(std::string& into);
    // Texts are read as UTF-8 (core/text/text_form.h).
    // Reads a string without copying it when the archive loads from memory:
    // the view then points into those bytes. A file archive, or a string
    // that is not its own file bytes (the UTF-16 form, or 8-bit bytes
    // beyond ASCII), fills `spill` and views that instead.
    // *heldAsUtf16 (if given) says which form the file held it in.
    std::string_view ReadStringView(std::string& spill, bool* heldAsUtf16 = nullptr);
    // Passes over a string, checking only that it fits (loading from memory).
    void SkipString();
    // Reads a string as UTF-8 and appends it to `texts` with the form the
    // file held it in, converted straight into the array's storage.
    void AppendStringTo(CStringArray& texts);
    // A string as the file holds it, viewed where it lies until the next
    // read: its bytes, and whether they are the UTF-16 form's code units
    // (little-endian) rather than Windows-1252 bytes.
    struct StoredText {
        std::string_view bytes;
        bool utf16 = false;
    };
    StoredText ReadStoredText();
    // A stored text as UTF-8: ASCII bytes where they lie, any other
    // converted into `spill`, which only grows.
    static std::string_view TextOf(const StoredText& stored, std::string& spill);

private:
    void ReadBytes(char* dst, std::uint64_t n);
    // Reads the next `n` bytes where they lie (in memory or in the
    // read-ahead), or copied into m_units when they span its end.
    std::string_view ReadContiguous(std::uint64_t n);
    void FillReadAhead();
    std::uint64_t ReadLength();
    // The length that follows an FFFE marker, in code units.
    std::uint64_t ReadUtf16Length();
    // Reads the UTF-16 form that follows an FFFE marker.
    void ReadUtf16String(std::string& into);

    void AfterWrite();

    std::string* m_pOut = nullptr;
    std::function<void(std::string_view)> m_sink;
    std::size_t m_nChunk = 0;
    std::string_view m_memory;
    std::FILE* m_pFile = nullptr;
    std::function<void(std::string_view)> m_readObserver;
    std::string m_buffer;  // file data read ahead
    std::size_t m_nBufferPos = 0;
    std::string m_units;  // a text that spans the read-ahead's end
    std::uint64_t m_nRemaining = 0;
    std::string m_strPath;
};

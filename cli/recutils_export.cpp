// SPDX-License-Identifier: MIT
#include "cli/recutils_export.h"

#include <charconv>
#include <cstring>

#include "doc/cp1252.h"
#include "doc/ovrin_doc.h"

namespace {

char* WriteText(char* to, std::string_view text)
{
    std::memcpy(to, text.data(), text.size());
    return to + text.size();
}

// Writes one field. The value is converted and split into lines in one
// pass, since the export is mostly this loop.
char* WriteField(char* d, std::string_view name, std::string_view value, bool& exact)
{
    d = WriteText(d, name);
    d = WriteText(d, ": ");
    const char* p = value.data();
    const char* const end = p + value.size();
    for (;;) {
        p = WriteCp1252AsUtf8Until(p, end, '\n', d);
        // CR LF is one break: drop the CR, which was copied as it is.
        if (p != end && p != value.data() && p[-1] == '\r') --d;
        // Converted bytes never end in '\\', and an empty line ends in the
        // blank before it, so this sees only a backslash of the text.
        if (d[-1] == '\\') exact = false;
        *d++ = '\n';
        if (p == end) return d;
        d = WriteText(d, "+ ");
        ++p;
    }
}

// The longest fixed part of a record: its blank line, the field names, a
// ten-digit number with sign, the line ends, and the 8 bytes the converter
// may store past its end.
constexpr std::size_t kRecordFrame = 64;

}  // namespace

const char kRecutilsDescriptor[] = "%rec: Entry\n";

std::size_t RecutilsRecordRoom(std::string_view keyWords, std::string_view date,
                               std::string_view description)
{
    // A byte grows to at most three: a character of the code page to its
    // UTF-8 form, a line feed to "\n+ ".
    return kRecordFrame + 3 * (keyWords.size() + date.size() + description.size());
}

char* WriteRecutilsRecord(char* d, int number, std::string_view keyWords, std::string_view date,
                          std::string_view description, bool& exact)
{
    d = WriteText(d, "\nNumber: ");
    d = std::to_chars(d, d + 11, number).ptr;
    *d++ = '\n';
    d = WriteField(d, "KeyWords", keyWords, exact);
    d = WriteField(d, "Date", date, exact);
    return WriteField(d, "Description", description, exact);
}

void ExportRecutils(const COvrinDoc& doc, std::string& out, std::vector<int>& inexact)
{
    out.append(kRecutilsDescriptor);
    const std::size_t n = doc.m_arrKeyWords.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view keyWords = doc.m_arrKeyWords[i];
        const std::string_view date =
            i < doc.m_arrDates.size() ? std::string_view(doc.m_arrDates[i]) : std::string_view();
        const std::string_view description = i < doc.m_arrDescriptions.size()
                                                 ? std::string_view(doc.m_arrDescriptions[i])
                                                 : std::string_view();
        const std::size_t old = out.size();
        out.resize(old + RecutilsRecordRoom(keyWords, date, description));
        const int number = static_cast<int>(i + 1);
        bool exact = true;
        char* end = WriteRecutilsRecord(out.data() + old, number, keyWords, date, description, exact);
        out.resize(static_cast<std::size_t>(end - out.data()));
        if (!exact) inexact.push_back(number);
    }
}

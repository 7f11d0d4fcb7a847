// SPDX-License-Identifier: MIT
#include "cli/recutils_export.h"

#include <string_view>

#include "doc/cp1252.h"
#include "doc/ovrin_doc.h"

namespace {

// Writes one field; returns false when a line of the value ends in a
// backslash (see the header).
bool AppendField(std::string& out, std::string_view name, std::string_view value)
{
    bool exact = true;
    out.append(name);
    out.append(": ");
    std::size_t start = 0;
    for (;;) {
        std::size_t end = value.find('\n', start);
        std::size_t next = end;
        if (end != std::string_view::npos) {
            ++next;
            if (end > start && value[end - 1] == '\r') --end;  // CR LF is one break
        }
        std::string_view line =
            value.substr(start, (end == std::string_view::npos ? value.size() : end) - start);
        if (!line.empty() && line.back() == '\\') exact = false;
        AppendCp1252AsUtf8(out, line);
        out.push_back('\n');
        if (next == std::string_view::npos) break;
        out.append("+ ");
        start = next;
    }
    return exact;
}

}  // namespace

const char kRecutilsDescriptor[] = "%rec: Entry\n";

bool AppendRecutilsRecord(std::string& out, int number, std::string_view keyWords,
                          std::string_view date, std::string_view description)
{
    out.push_back('\n');
    out.append("Number: ").append(std::to_string(number)).push_back('\n');
    bool exact = AppendField(out, "KeyWords", keyWords);
    exact &= AppendField(out, "Date", date);
    exact &= AppendField(out, "Description", description);
    return exact;
}

void ExportRecutils(const COvrinDoc& doc, std::string& out, std::vector<int>& inexact)
{
    out.append(kRecutilsDescriptor);
    const std::size_t n = doc.m_arrKeyWords.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int number = static_cast<int>(i + 1);
        if (!AppendRecutilsRecord(out, number, doc.m_arrKeyWords[i],
                                  i < doc.m_arrDates.size() ? doc.m_arrDates[i] : std::string_view(),
                                  i < doc.m_arrDescriptions.size() ? doc.m_arrDescriptions[i]
                                                                   : std::string_view()))
            inexact.push_back(number);
    }
}

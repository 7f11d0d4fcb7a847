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
        out.append(Cp1252ToUtf8(line));
        out.push_back('\n');
        if (next == std::string_view::npos) break;
        out.append("+ ");
        start = next;
    }
    return exact;
}

}  // namespace

void ExportRecutils(const COvrinDoc& doc, std::string& out, std::vector<int>& inexact)
{
    out.append("%rec: Entry\n");
    const std::size_t n = doc.m_arrKeyWords.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::string number = std::to_string(i + 1);
        out.push_back('\n');
        out.append("Number: ").append(number).push_back('\n');
        bool exact = AppendField(out, "KeyWords", doc.m_arrKeyWords[i]);
        exact &= AppendField(out, "Date", i < doc.m_arrDates.size() ? doc.m_arrDates[i] : "");
        exact &= AppendField(out, "Description",
                             i < doc.m_arrDescriptions.size() ? doc.m_arrDescriptions[i] : "");
        if (!exact) inexact.push_back(static_cast<int>(i + 1));
    }
}

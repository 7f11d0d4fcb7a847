// SPDX-License-Identifier: MIT
#include "cli/recutils_import.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/utf8_to_cp1252.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlankLine(std::string_view line)
{
    for (char c : line)
        if (!IsBlank(c)) return false;
    return true;
}

// The physical lines of the text, each without its line feed.
class Lines final {
public:
    explicit Lines(std::string_view text) : m_text(text) {}
    bool AtEnd() const { return m_pos >= m_text.size(); }
    int Number() const { return m_number; }  // of the line Next returned last
    std::string_view Next()
    {
        const std::size_t end = std::min(m_text.find('\n', m_pos), m_text.size());
        const std::string_view line = m_text.substr(m_pos, end - m_pos);
        m_pos = end + 1;
        ++m_number;
        return line;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_number = 0;
};

// A field's name and the line it starts on; its value in UTF-8 with LF
// line breaks.
struct Field {
    std::string name;
    std::string value;
    int line = 0;
};

struct Record {
    std::vector<Field> fields;
    int line = 0;
};

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string CodePointName(char32_t cp)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(cp));
    return buffer;
}

class Reader final {
public:
    Reader(std::string_view text, const std::string& today) : m_lines(text), m_today(today) {}

    RecordSetReading Run()
    {
        while (!m_lines.AtEnd() && m_result.ok) {
            std::string_view line = m_lines.Next();
            if (IsBlankLine(line)) {
                EndRecord();
                m_afterField = false;
            } else if (line.front() == '#') {
                // A comment ends the value above it: a '+' line may not follow.
                m_afterField = false;
            } else if (line.front() == '+') {
                if (!m_afterField) {
                    Fail(At() + "a '+' line must continue a field");
                    break;
                }
                std::string& value = m_record.fields.back().value;
                value += '\n';
                line.remove_prefix(1);
                if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
                AppendJoined(value, line);
            } else {
                StartField(line);
            }
        }
        if (m_result.ok) EndRecord();
        return std::move(m_result);
    }

private:
    std::string At() const { return "line " + std::to_string(m_lines.Number()) + ": "; }

    void Fail(std::string message)
    {
        if (m_result.ok) {
            m_result.ok = false;
            m_result.message = std::move(message);
            m_result.entries.clear();
        }
    }

    // Appends a value line, joining the lines after it while it ends in a
    // backslash.
    void AppendJoined(std::string& value, std::string_view line)
    {
        while (!line.empty() && line.back() == '\\' && !m_lines.AtEnd()) {
            value.append(line.substr(0, line.size() - 1));
            line = m_lines.Next();
        }
        value.append(line);
    }

    void StartField(std::string_view line)
    {
        std::size_t n = 0;
        if (IsLetter(line[0]) || line[0] == '%') {
            n = 1;
            while (n < line.size() && (IsLetter(line[n]) || IsDigit(line[n]) || line[n] == '_')) ++n;
        }
        if (n == 0 || n >= line.size() || line[n] != ':') {
            std::string hint;
            if (line.back() == '\r') hint = " (the file has CR LF line ends; recutils reads LF only)";
            Fail(At() + "not a record set: expected a field such as \"KeyWords: ...\", a comment "
                        "or a blank line" + hint);
            return;
        }
        if (m_record.fields.empty()) m_record.line = m_lines.Number();
        Field field{std::string(line.substr(0, n)), {}, m_lines.Number()};
        line.remove_prefix(n + 1);
        if (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        AppendJoined(field.value, line);
        m_record.fields.push_back(std::move(field));
        m_afterField = true;
    }

    void EndRecord()
    {
        Record record = std::move(m_record);
        m_record = Record{};
        if (record.fields.empty() || !m_result.ok) return;
        if (record.fields.front().name == "%rec") {
            if (m_sawDescriptor || !m_result.entries.empty()) {
                Fail("line " + std::to_string(record.line) +
                     ": a second record set begins here; --import reads one record set");
                return;
            }
            m_sawDescriptor = true;
            return;
        }
        ++m_recordNumber;
        const std::string where =
            "record " + std::to_string(m_recordNumber) + " (line " + std::to_string(record.line) + ")";
        std::optional<std::string> keyWords, description, date;
        for (const Field& field : record.fields) {
            std::optional<std::string>* slot = nullptr;
            if (field.name == "KeyWords")
                slot = &keyWords;
            else if (field.name == "Description")
                slot = &description;
            else if (field.name == "Date")
                slot = &date;
            else if (field.name == "Number")
                continue;
            else {
                Fail(where + ": unknown field " + Quoted(field.name) +
                     "; an entry has KeyWords, Description, Date and Number");
                return;
            }
            if (slot->has_value()) {
                Fail(where + ": field " + field.name + " appears twice");
                return;
            }
            *slot = Converted(field, where);
            if (!m_result.ok) return;
        }
        if (!keyWords) {
            Fail(where + ": the record has no KeyWords field");
            return;
        }
        m_result.entries.push_back(ImportedEntry{std::move(*keyWords),
                                                 description ? std::move(*description) : std::string(),
                                                 date ? std::move(*date) : m_today});
    }

    // The value in Windows-1252 with CR LF line breaks.
    std::string Converted(const Field& field, const std::string& where)
    {
        std::string bytes;
        Utf8Problem problem;
        const Utf8ToCp1252Result result = Utf8ToCp1252(field.value, bytes, &problem);
        if (result != Utf8ToCp1252Result::Ok) {
            const std::string at = where + ", field " + field.name + " (line " +
                                   std::to_string(field.line) + "): ";
            if (result == Utf8ToCp1252Result::Invalid) {
                Fail(at + "the text is not valid UTF-8");
            } else {
                std::size_t length = 1;
                while (problem.offset + length < field.value.size() &&
                       (static_cast<unsigned char>(field.value[problem.offset + length]) & 0xC0) == 0x80)
                    ++length;
                Fail(at + "the character \"" + field.value.substr(problem.offset, length) + "\" (" +
                     CodePointName(problem.codePoint) + ") cannot be stored in an Ovrin document.");
            }
            return {};
        }
        if (bytes.find('\n') == std::string::npos) return bytes;
        std::string text;
        text.reserve(bytes.size() + bytes.size() / 8);
        for (char c : bytes) {
            if (c == '\n') text += '\r';
            text += c;
        }
        return text;
    }

    Lines m_lines;
    const std::string& m_today;
    RecordSetReading m_result;
    Record m_record;
    int m_recordNumber = 0;
    bool m_sawDescriptor = false;
    bool m_afterField = false;
};

}  // namespace

RecordSetReading ReadRecordSet(std::string_view text, const std::string& today)
{
    // An editor may open the file with a byte order mark; it is no text.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (const void* nul = std::memchr(text.data(), '\0', text.size())) {
        const auto at = static_cast<std::size_t>(static_cast<const char*>(nul) - text.data());
        int line = 1;
        for (std::size_t i = 0; i < at; ++i) line += text[i] == '\n';
        RecordSetReading result;
        result.ok = false;
        result.message = "line " + std::to_string(line) + ": not a record set: it holds a NUL byte";
        return result;
    }
    return Reader(text, today).Run();
}

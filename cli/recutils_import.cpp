// SPDX-License-Identifier: MIT
#include "cli/recutils_import.h"

#include <cstdint>
#include <optional>

#include "core/text/text_form.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kDecrypt = "decrypt the record set first, e.g. with recsel -s PASSWORD";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlankLine(std::string_view line)
{
    for (char c : line)
        if (!IsBlank(c)) return false;
    return true;
}

bool IsEntryField(std::string_view name)
{
    return name == "KeyWords" || name == "Description" || name == "Date";
}

// recins writes a confidential value as "encrypted-" and the base64 of the
// cipher, at least one block with its salt: a key word of that shape is not
// written by a person.
bool IsCiphertext(std::string_view value)
{
    constexpr std::string_view kPrefix = "encrypted-";
    if (value.substr(0, kPrefix.size()) != kPrefix) return false;
    value.remove_prefix(kPrefix.size());
    if (value.size() < 24 || value.size() % 4 != 0) return false;
    for (char c : value)
        if (!IsLetter(c) && !IsDigit(c) && c != '+' && c != '/' && c != '=') return false;
    return true;
}

}  // namespace

class RecordSetReader::Parser final {
public:
    explicit Parser(std::string today) : m_today(std::move(today)) {}

    bool Feed(std::string_view bytes)
    {
        if (!m_result.ok) return false;
        // Nothing of a record set is a NUL byte; a device such as /dev/zero
        // gives nothing else, so it is refused before any line is made.
        const std::size_t nul = bytes.find('\0');
        SplitLines(bytes.substr(0, nul));
        if (m_result.ok) CheckUnfinishedLine();
        if (nul != std::string_view::npos) Fail(LineAt(m_line + 1) + "not a record set: it holds a NUL byte");
        return m_result.ok;
    }

    RecordSetReading Finish()
    {
        if (m_result.ok && !m_unfinished.empty()) Line(m_unfinished);
        if (m_result.ok) EndRecord();
        return std::move(m_result);
    }

private:
    enum class Kind { Entry, Ignored, Confidential };

    // The field whose value the next lines may continue.
    struct Field {
        Kind kind = Kind::Ignored;
        std::string name;
        std::string* value = nullptr;  // for an entry's field
    };

    static std::string LineAt(std::int64_t line) { return "line " + std::to_string(line) + ": "; }
    std::string Record() const
    {
        return "record " + std::to_string(m_recordNumber + 1) + " (line " + std::to_string(m_recordLine) + ")";
    }
    std::string FieldAt() const
    {
        return Record() + ", field " + m_field.name + " (line " + std::to_string(m_line) + "): ";
    }

    void Fail(std::string message)
    {
        if (!m_result.ok) return;
        m_result.ok = false;
        m_result.message = std::move(message);
        m_result.entries.clear();
    }

    void SplitLines(std::string_view bytes)
    {
        while (m_result.ok && !bytes.empty()) {
            const std::size_t lf = bytes.find('\n');
            if (lf == std::string_view::npos) {
                m_unfinished.append(bytes);
                return;
            }
            if (m_unfinished.empty()) {
                Line(bytes.substr(0, lf));
            } else {
                m_unfinished.append(bytes.substr(0, lf));
                Line(m_unfinished);
                m_unfinished.clear();
            }
            m_checked = 0;
            bytes.remove_prefix(lf + 1);
        }
    }

    // A line without its end may never end (a stream of one byte): it is
    // checked as it grows, up to a character that may go on in the next
    // piece, and refused at its first byte that is not UTF-8.
    void CheckUnfinishedLine()
    {
        std::size_t end = m_unfinished.size();
        for (std::size_t at = end; at > m_checked && end - at < 4;) {
            const auto c = static_cast<unsigned char>(m_unfinished[--at]);
            if ((c & 0xC0) == 0x80) continue;
            const std::size_t length = c >= 0xF8 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (end - at < length) end = at;
            break;
        }
        if (end <= m_checked) return;
        const std::string_view fresh(m_unfinished.data() + m_checked, end - m_checked);
        if (!IsUtf8(fresh)) {
            // Read as a whole line, it is refused with its record and field.
            Line(m_unfinished);
            Fail(LineAt(m_line) + "the text is not valid UTF-8");
            return;
        }
        m_checked = end;
    }

    void Line(std::string_view line)
    {
        ++m_line;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (m_line == 1 && line.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            line.remove_prefix(kByteOrderMark.size());
        if (m_joining) {
            // The backslash and the line break go; the line joins as it is.
            if (m_field.value != nullptr) m_field.value->pop_back();
            Value(line);
        } else if (IsBlankLine(line)) {
            EndRecord();
            m_afterField = false;
        } else if (line.front() == '#') {
            // A comment ends the value above it: a '+' line may not follow.
            m_afterField = false;
            CheckUtf8(line);
        } else if (line.front() == '+') {
            if (!m_afterField) {
                Fail(LineAt(m_line) + "a '+' line must continue a field");
                return;
            }
            line.remove_prefix(1);
            if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
            if (m_field.value != nullptr) m_field.value->append("\r\n");
            Value(line);
        } else {
            StartField(line);
        }
    }

    void StartField(std::string_view line)
    {
        std::size_t n = 0;
        if (IsLetter(line[0]) || line[0] == '%') {
            n = 1;
            while (n < line.size() && (IsLetter(line[n]) || IsDigit(line[n]) || line[n] == '_')) ++n;
        }
        if (n == 0 || n >= line.size() || line[n] != ':') {
            Fail(LineAt(m_line) +
                 "not a record set: expected a field such as \"KeyWords: ...\", a comment or a blank line");
            return;
        }
        const std::string_view name = line.substr(0, n);
        line.remove_prefix(n + 1);
        if (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);

        if (!m_inRecord) {
            m_inRecord = true;
            m_recordLine = m_line;
            m_inDescriptor = name == "%rec";
            if (m_inDescriptor && (m_sawDescriptor || m_recordNumber > 0)) {
                Fail(LineAt(m_line) + "a second record set begins here; --import reads one record set");
                return;
            }
            m_sawDescriptor = m_sawDescriptor || m_inDescriptor;
        }
        m_afterField = true;
        m_field = Field{Kind::Ignored, std::string(name), nullptr};
        if (m_inDescriptor) {
            if (name == "%confidential") m_field.kind = Kind::Confidential;
        } else if (IsEntryField(name)) {
            std::optional<std::string>& slot =
                name == "KeyWords" ? m_keyWords : name == "Description" ? m_description : m_date;
            if (slot.has_value()) {
                Fail(FieldAt() + "the field appears twice");
                return;
            }
            if (IsCiphertext(line)) {
                Fail(FieldAt() + "the text is encrypted; " + kDecrypt);
                return;
            }
            m_field.kind = Kind::Entry;
            m_field.value = &slot.emplace();
        } else if (name != "Number") {
            Fail(FieldAt() + "unknown field; an entry has KeyWords, Description, Date and Number");
            return;
        }
        Value(line);
    }

    // One line's part of the current field's value.
    void Value(std::string_view text)
    {
        m_joining = !text.empty() && text.back() == '\\';
        if (m_field.kind != Kind::Entry) CheckUtf8(text);
        if (m_field.kind == Kind::Confidential && m_result.ok) {
            for (std::size_t at = 0; at < text.size();) {
                const std::size_t end = std::min(text.find_first_of(" \t", at), text.size());
                if (IsEntryField(text.substr(at, end - at))) {
                    Fail(LineAt(m_line) + "the field " + std::string(text.substr(at, end - at)) +
                         " is declared encrypted (%confidential); " + kDecrypt);
                    return;
                }
                at = end + 1;
            }
        }
        if (m_field.kind != Kind::Entry) return;
        // The value is kept as UTF-8 until its record ends: only the whole
        // text decides which form it takes.
        if (IsUtf8(text))
            m_field.value->append(text);
        else
            Fail(FieldAt() + "the text is not valid UTF-8");
    }

    void CheckUtf8(std::string_view text)
    {
        if (!IsUtf8(text)) Fail(LineAt(m_line) + "the text is not valid UTF-8");
    }

    // A text read whole from checked UTF-8, in the form the document keeps.
    static std::string Text(const std::string& utf8) { return *TextFromUtf8(utf8); }

    void EndRecord()
    {
        if (!m_inRecord || !m_result.ok) return;
        m_inRecord = false;
        m_field = Field{};
        if (m_inDescriptor) return;
        if (!m_keyWords) {
            Fail(Record() + ": the record has no KeyWords field");
            return;
        }
        if (!m_result.entries.Add(Text(*m_keyWords), m_description ? Text(*m_description) : std::string(),
                                  m_date ? Text(*m_date) : m_today)) {
            Fail(Record() + ": a document cannot hold it (a text of 4 GiB or more, or too many entries)");
            return;
        }
        ++m_recordNumber;
        m_keyWords.reset();
        m_description.reset();
        m_date.reset();
    }

    const std::string m_today;
    RecordSetReading m_result;
    std::string m_unfinished;  // the last line, until its line feed comes
    std::size_t m_checked = 0;  // how much of it is known to be UTF-8
    std::int64_t m_line = 0;  // of the line read last
    bool m_joining = false;
    bool m_afterField = false;
    Field m_field;
    bool m_inRecord = false;
    bool m_inDescriptor = false;
    bool m_sawDescriptor = false;
    std::int64_t m_recordLine = 0;
    std::int64_t m_recordNumber = 0;  // records read to their end
    std::optional<std::string> m_keyWords, m_description, m_date;
};

RecordSetReader::RecordSetReader(std::string today) : m_parser(std::make_unique<Parser>(std::move(today))) {}
RecordSetReader::~RecordSetReader() = default;
bool RecordSetReader::Feed(std::string_view bytes) { return m_parser->Feed(bytes); }
RecordSetReading RecordSetReader::Finish() { return m_parser->Finish(); }

RecordSetReading ReadRecordSet(std::string_view text, const std::string& today)
{
    RecordSetReader reader(today);
    reader.Feed(text);
    return reader.Finish();
}

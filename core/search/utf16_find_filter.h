// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A quick look at a text the file holds in its UTF-16 form, before it is
// converted to UTF-8: whether the needle may be in it. Each of the
// needle's four rarest characters (by the order of TypicalFrequency; see
// the .cpp for the others) must be in the text as a code
// unit, in one of the forms that fold to it; a text that lacks one cannot
// hold the needle, and need not be converted at all. A character with a
// form beyond the 16-bit range is not looked for; a needle of only such
// characters lets every text through. The characters are looked for one at
// a time, the one that has refused the most texts it was asked about first,
// so the order adapts to the document: a filter serves one thread.
//
// A text that passes is then searched for the whole needle by code units,
// when every form of each of its characters is one unit (not a surrogate):
// a character folds by itself, so the needle is in the text exactly when
// its characters' forms follow each other there. That search looks at the
// starts where its two rarest characters stand at their distance, and
// makes a character that has refused hardly any text not worth a look of
// its own before it. Only a text that holds the needle, or may, is
// converted.
class CUtf16FindFilter final {
public:
    // `needle` as a text (core/text/text_form.h).
    explicit CUtf16FindFilter(std::string_view needle);

    // `units`: little-endian code units, two bytes each.
    bool MayHold(std::string_view units) const;

    static constexpr int kMaxCharacters = 4;
    static constexpr int kMaxForms = 4;
    struct Forms {
        int count = 0;
        char16_t unit[kMaxForms] = {};
    };

private:
    static constexpr unsigned kReorderEvery = 256;  // refusals
    static constexpr unsigned kJudgeAfter = 1024;   // texts asked about
    static constexpr double kWorthLooking = 1.0 / 16;  // of them refused
    void Reorder() const;
    bool HoldsNeedle(const unsigned char* p, std::size_t n) const;

    Forms m_forms[kMaxCharacters];
    int m_used = 0;  // characters looked for
    mutable int m_looked = 0;  // of them, those still looked for
    mutable int m_order[kMaxCharacters] = {};
    mutable unsigned m_asked[kMaxCharacters] = {};
    mutable unsigned m_refused[kMaxCharacters] = {};
    mutable unsigned m_refusals = 0;
    // The forms of each character of the needle, in order (empty when one
    // is not a single unit), and the two looked for first, the rarest.
    std::vector<std::u16string> m_needle;
    std::size_t m_anchor = 0;
    std::size_t m_second = 0;
    Forms m_anchorForms;
    Forms m_secondForms;
};

// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

// A quick look at a text the file holds in its UTF-16 form, before it is
// converted to the wide form: whether the needle may be in it. The needle's
// two rarest characters (by the order of TypicalFrequency, any character
// beyond Windows-1252 counted rare) must each be in the text as a code unit,
// in one of the forms that fold to it; a text that lacks either cannot hold
// the needle, and need not be converted at all. A character with a form
// beyond the 16-bit range is not looked for; a needle of only such
// characters lets every text through.
class CUtf16FindFilter final {
public:
    // `needle` in the document's text form (doc/text_form.h).
    explicit CUtf16FindFilter(std::string_view needle);

    // `units`: little-endian code units, two bytes each.
    bool MayHold(std::string_view units) const;

    static constexpr int kMaxForms = 4;
    struct Forms {
        int count = 0;
        char16_t unit[kMaxForms] = {};
    };

private:
    Forms m_forms[2];
    int m_used = 0;  // characters looked for: 0, 1 or 2
};

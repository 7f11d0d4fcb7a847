// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/layout/text_wrap.h"

// The number of lines one text takes at one width, and where every 256th of
// them begins, made in one pass and kept while the text, the width and the
// font stay. A description of 20 MB is then wrapped once, not at every
// scroll step, and drawing begins a few lines above the window instead of at
// the top of the text.
class CWrapIndex final {
public:
    struct LineStart {
        std::size_t line = 0;    // the line's number, from 0
        std::size_t offset = 0;  // the byte at which it begins
    };

    // Makes the index again unless it was made for these and not forgotten
    // since.
    void Update(std::string_view text, int width, const TextMetrics& metrics, const std::string& fontKey);
    // The text's bytes may have changed where they lie (any change of the
    // table): the next Update makes the index again.
    void Forget() { m_bMade = false; }

    std::size_t LineCount() const { return m_nLines; }
    // The last indexed line at or before `line`.
    LineStart StartAtOrBefore(std::size_t line) const;
    // The lines the first `end` bytes of the indexed text take when wrapped
    // on their own (the text in front of a find hit), counted from the last
    // indexed line that no byte from `end` on can have moved. The index must
    // be up to date for text.
    std::size_t LinesOfPrefix(std::string_view text, std::size_t end, const TextMetrics& metrics) const;

private:
    static constexpr std::size_t kEvery = 256;

    std::vector<std::size_t> m_arrOffsets;  // element k: where line k * kEvery begins
    std::size_t m_nLines = 0;
    const char* m_pText = nullptr;
    std::size_t m_nSize = 0;
    int m_nWidth = -1;
    bool m_bMade = false;
    std::string m_strFontKey;
};

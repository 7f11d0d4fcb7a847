// SPDX-License-Identifier: MIT
#pragma once

#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/layout/text_wrap.h"

class COvrinDoc;
class CKeyListLayout;
class CWrapIndex;

// What the view window looks like at the moment of a drawing, in pixels.
struct ViewGeometry final {
    int windowWidth = 0;   // outer size of the view, borders included
    int windowHeight = 0;
    int scrollY = 0;       // vertical scroll position before the drawing
    int shownHeight = 0;   // height of the part that shows the content
    TextMetrics metrics;   // the screen font
    std::string fontKey;   // names the font, so cached layouts notice a change
};

// A rectangle as drawing takes it: right and bottom lie outside.
struct ViewRect final {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// One text wrapped between left and right, its lines from the one that
// begins at byte `from` on, that line's top at top. Nothing of it shows
// outside its rectangle, whose bottom lies outside it: a field longer than
// its frame is cut off there instead of running over the fields below.
struct PlacedText final {
    std::string_view text;
    int left = 0;
    int top = 0;
    int right = 0;
    bool centred = false;
    std::size_t from = 0;
    int bottom = INT_MAX;
};

// Everything one drawing puts on the screen and asks of the scroll bars,
// in document coordinates (y down, before scrolling).
struct ViewDrawing final {
    std::vector<ViewRect> frames;     // black outline, white fill, drawn first
    std::vector<PlacedText> texts;    // drawn after the frames
    std::vector<int> markers;         // a ">" at (0, y) for each
    int contentWidth = 0;             // scroll sizes: total, page and line
    int contentHeight = 0;
    int pageWidth = 0;
    int pageHeight = 0;
    int lineWidth = 0;
    int lineHeight = 0;
    std::optional<int> scrollTo;      // new vertical scroll position
    std::string status;               // position text; empty keeps the pane
};

// Keeps the automatic scrolls to a find hit from undoing each other. Every
// repaint brings the hit line back into view, but in a window lower than
// about four lines the rule for a line below the window and the rule for a
// line above it alternate for ever. So at most two scrolls follow one
// another for the same hit; the chain starts again when the hit changes or
// the scroll position is not the one the last automatic scroll left.
//
// It also keeps, for its view, whether a find hit came that the view has
// not scrolled to yet: a hit in the key words brings the view back to the
// top once, not at every repaint.
class CHitScrollGuard final {
public:
    void NewHit() { m_bNewHit = true; }
    bool HasNewHit() const { return m_bNewHit; }
    void NewHitShown() { m_bNewHit = false; }
    // Whether a scroll may happen now, at scroll position scrollY, for the
    // hit (entry, pos) drawn at hitTop.
    bool MayScroll(int scrollY, int entry, int pos, int hitTop);
    // The scroll position the automatic scroll really reached.
    void ScrolledTo(int scrollY) { m_nLastPos = scrollY; }

private:
    static constexpr int kMaxChain = 2;
    int m_nEntry = -1;
    int m_nPos = -2;
    int m_nHitTop = -1;
    int m_nLastPos = -1;
    int m_nChain = 0;
    bool m_bNewHit = false;
};

// The drawing of the view: the welcome frame for an empty document, the
// current entry with its frames, date, description and find marker, or the
// key list (only the blocks that the window shows), and the scroll to a
// find hit. It makes no page layout: the print dialog and every print
// job lay out with the printer's own metrics, and an estimate made while
// painting cost a pass over the whole key list at each step through it.
ViewDrawing DrawView(const COvrinDoc& doc, const ViewGeometry& geometry, CKeyListLayout& keyList,
                     CWrapIndex& descriptionLines, CHitScrollGuard& guard);

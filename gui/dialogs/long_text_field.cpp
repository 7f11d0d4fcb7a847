// SPDX-License-Identifier: MIT
#include "gui/dialogs/long_text_field.h"

#include "gui/dialogs/long_text_field_accessible.h"
#include "core/text/cp1252.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include <algorithm>
#include <climits>


namespace {

// Whether a key's text is something typed rather than a control key (Tab,
// Escape, Backspace). A character outside the Basic Multilingual Plane
// arrives as a surrogate pair, and joiners and private-use characters are
// typed too, so only control characters are turned away.
bool IsTypedText(const QString& text)
{
    return !text.isEmpty() && text.at(0).category() != QChar::Other_Control;
}

// Pasted and typed text takes every kind of line break as "\n"; in one
// pass, as replacing in place moves the rest of the text at every break.
QString WithPlainLineBreaks(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            plain.append(QLatin1Char('\n'));
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            plain.append(QChar(c));
        }
    }
    return plain;
}

// What a row shows of a stretch of text: a tab or another control
// character takes its one column as a blank.
QString Shown(QStringView stretch)
{
    QString shown = stretch.toString();
    for (QChar& c : shown)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return shown;
}

// Whether the fixed-pitch font draws a character in one column: every
// Windows-1252 character does, as the columns of the fast path assume.
bool IsColumnCharacter(QChar c)
{
    return c.unicode() < 0x100 || (!c.isSurrogate() && UnicodeToCp1252(c.unicode()) >= 0);
}

// Most texts are Latin-1 throughout: their characters are or-ed together
// 64 at a time, a loop the compiler turns into vector instructions, and only
// a block with a higher character is looked at one by one.
bool MayHoldOtherWidths(QStringView text)
{
    const char16_t* const units = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype block = 0; block < size; block += 64) {
        const qsizetype end = std::min<qsizetype>(size, block + 64);
        char16_t all = 0;
        for (qsizetype i = block; i < end; ++i)
            all |= units[i];
        if (all >= 0x100 && std::any_of(units + block, units + end, [](char16_t c) {
                return c >= 0x100 && !IsColumnCharacter(QChar(c));
            }))
            return true;
    }
    return false;
}

// Layouts kept at most, of lines with other widths, until the text changes.
constexpr std::size_t kKeptLayouts = 256;

} // namespace

LongTextField::LongTextField(Lines lines, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_lines(lines)
{
    LongTextFieldAccessible::InstallFactory();
    if (m_lines == Lines::One) {
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    setText(QString());
}

// The line breaks, and every character or-ed together, so a text all below
// 0x100 is never looked at again for characters of other widths.
LongTextField::Shaped LongTextField::shape(QString text, Lines lines)
{
    Shaped shaped;
    const auto* const units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype size = text.size();
    // First the breaks are counted, so that the line starts of millions of
    // lines take their memory once: in blocks of 64, a loop the compiler
    // turns into vector instructions.
    char16_t all = 0;
    std::size_t breaks = 0;
    qsizetype block = 0;
    for (; block + 64 <= size; block += 64) {
        unsigned char inBlock = 0;
        for (qsizetype k = block; k < block + 64; ++k) {
            all |= units[k];
            inBlock += units[k] == u'\n';
        }
        breaks += inBlock;
    }
    for (qsizetype k = block; k < size; ++k) {
        all |= units[k];
        breaks += units[k] == u'\n';
    }
    if (lines == Lines::Many) {
        shaped.lineStarts.reserve(breaks + 1);
        for (const char16_t* at = units; (at = std::find(at, units + size, u'\n')) != units + size; ++at) {
            const qsizetype i = at - units;
            shaped.longestLine = std::max(shaped.longestLine, i - shaped.lineStarts.back());
            shaped.lineStarts.push_back(i + 1);
        }
    }
    shaped.longestLine = std::max(shaped.longestLine, size - shaped.lineStarts.back());
    shaped.columnsOnly = all < 0x100 || !MayHoldOtherWidths(text);
    shaped.text = std::move(text);
    return shaped;
}

void LongTextField::setText(const QString& text)
{
    setText(shape(text, m_lines));
}

void LongTextField::setText(Shaped shaped)
{
    Q_ASSERT(!shaped.lineStarts.empty() && shaped.lineStarts.front() == 0);
    Q_ASSERT(m_lines == Lines::Many || shaped.lineStarts.size() == 1);
    m_undo.clear();
    m_redo.clear();
    m_modified = false;
    m_text = std::move(shaped.text);
    m_layouts.clear();
    m_mayHoldOtherWidths = !shaped.columnsOnly;
    m_lineStarts = std::move(shaped.lineStarts);
    m_longestLine = shaped.longestLine;
    m_wantedColumn = -1;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    setCursorPosition(0);
}

qsizetype LongTextField::lineOf(qsizetype position) const
{
    const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), position);
    return static_cast<qsizetype>(after - m_lineStarts.begin()) - 1;
}

qsizetype LongTextField::lineLength(qsizetype line) const
{
    const qsizetype end = line + 1 < lineCount() ? lineStart(line + 1) - 1 : m_text.size();
    return end - lineStart(line);
}

QString LongTextField::selectedText() const
{
    return m_text.mid(selectionStart(), selectionEnd() - selectionStart());
}

void LongTextField::replace(qsizetype from, qsizetype to, const QString& inserted)
{
    // A screen reader may name any range.
    from = std::clamp<qsizetype>(from, 0, m_text.size());
    to = std::clamp<qsizetype>(to, from, m_text.size());
    m_redo.clear();
    m_undo.push_back({from, m_text.mid(from, to - from), inserted});
    apply(from, to, inserted);
}

void LongTextField::apply(qsizetype from, qsizetype to, const QString& inserted)
{
    const qsizetype first = lineOf(from);
    const qsizetype last = lineOf(to);
    const qsizetype delta = inserted.size() - (to - from);
    m_modified = true;
    m_text.replace(from, to - from, inserted);
    m_mayHoldOtherWidths = m_mayHoldOtherWidths || MayHoldOtherWidths(inserted);
    m_layouts.clear();

    std::vector<qsizetype> added;
    for (qsizetype i = m_lines == Lines::Many ? inserted.indexOf(QLatin1Char('\n')) : -1; i >= 0;
         i = inserted.indexOf(QLatin1Char('\n'), i + 1))
        added.push_back(from + i + 1);
    auto begin = m_lineStarts.begin();
    const auto rest = m_lineStarts.erase(begin + first + 1, begin + last + 1);
    const auto moved = m_lineStarts.insert(rest, added.begin(), added.end()) + static_cast<std::ptrdiff_t>(added.size());
    for (auto it = moved; it != m_lineStarts.end(); ++it)
        *it += delta;

    // The longest line can only be found again by looking at all of them,
    // which is a walk over the line starts, not over the text.
    findLongestLine();

    m_cursor = m_anchor = from + inserted.size();
    m_wantedColumn = -1;
    emit edited();
    if (QAccessible::isActive()) {
        if (to > from) {
            QAccessibleTextRemoveEvent removed(this, static_cast<int>(from), QString());
            QAccessible::updateAccessibility(&removed);
        }
        if (!inserted.isEmpty()) {
            QAccessibleTextInsertEvent added(this, static_cast<int>(from), inserted.left(4096));
            QAccessible::updateAccessibility(&added);
        }
    }
    updateScrollBars();
    ensureCursorVisible();
    restartBlink();
    viewport()->update();
}

void LongTextField::findLongestLine()
{
    m_longestLine = 0;
    for (qsizetype line = 0; line < lineCount(); ++line)
        m_longestLine = std::max(m_longestLine, lineLength(line));
}

void LongTextField::insert(const QString& text)
{
    QString plain = WithPlainLineBreaks(text);
    if (m_lines == Lines::One)
        plain.replace(QLatin1Char('\n'), QLatin1Char(' '));
    replace(selectionStart(), selectionEnd(), plain);
}

void LongTextField::setCursorPosition(qsizetype position, bool keepAnchor)
{
    m_cursor = std::clamp<qsizetype>(position, 0, m_text.size());
    if (!keepAnchor)
        m_anchor = m_cursor;
    ensureCursorVisible();
    restartBlink();
    viewport()->update();
}

void LongTextField::selectAll()
{
    m_anchor = 0;
    setCursorPosition(m_text.size(), true);
}

int LongTextField::visibleRows() const
{
    return std::max(1, viewport()->height() / m_rowHeight);
}

void LongTextField::updateScrollBars()
{
    const QFontMetricsF metrics(font());
    m_cellWidth = metrics.horizontalAdvance(QLatin1Char('x'));
    m_rowHeight = std::max(1, qCeil(metrics.height()));
    m_ascent = qCeil(metrics.ascent());
    m_top = m_lines == Lines::One ? std::max(0, (viewport()->height() - m_rowHeight) / 2) : 0;
    const int rows = visibleRows();
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<qsizetype>(INT_MAX, std::max<qsizetype>(0, lineCount() - rows))));
    verticalScrollBar()->setPageStep(rows);
    // One more column, so the cursor at the end of the longest line shows;
    // a character of another width takes at most two columns.
    const double width = static_cast<double>(m_longestLine + 1) * m_cellWidth * (m_mayHoldOtherWidths ? 2 : 1);
    horizontalScrollBar()->setRange(0, static_cast<int>(std::clamp(width - viewport()->width(), 0.0, double(INT_MAX))));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(qCeil(m_cellWidth) * 2);
}

const QTextLayout* LongTextField::layoutOf(qsizetype line) const
{
    if (!m_mayHoldOtherWidths)
        return nullptr;
    const QStringView text = QStringView(m_text).mid(lineStart(line), lineLength(line));
    if (std::all_of(text.begin(), text.end(), IsColumnCharacter))
        return nullptr;
    std::unique_ptr<QTextLayout>& layout = m_layouts[line];
    if (!layout) {
        if (m_layouts.size() > kKeptLayouts) {
            m_layouts.clear();
            return layoutOf(line);
        }
        layout = std::make_unique<QTextLayout>(Shown(text), font());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        layout->setTextOption(option);
        layout->beginLayout();
        layout->createLine();
        layout->endLayout();
    }
    return layout.get();
}

double LongTextField::xOf(qsizetype line, qsizetype position) const
{
    const qsizetype column = position - lineStart(line);
    if (const QTextLayout* layout = layoutOf(line))
        return layout->lineAt(0).cursorToX(static_cast<int>(column));
    return static_cast<double>(column) * m_cellWidth;
}

qsizetype LongTextField::positionInLine(qsizetype line, double x) const
{
    if (const QTextLayout* layout = layoutOf(line))
        return lineStart(line) + layout->lineAt(0).xToCursor(x);
    return lineStart(line) + std::clamp<qsizetype>(static_cast<qsizetype>(x / m_cellWidth + 0.5), 0, lineLength(line));
}

qsizetype LongTextField::cursorStep(qsizetype position, int direction) const
{
    const qsizetype line = lineOf(position);
    const qsizetype column = position - lineStart(line);
    const QTextLayout* layout = layoutOf(line);
    qsizetype to = position + direction;
    // Within a laid-out line the cursor moves by whole characters: never
    // into a pair of surrogates nor between a letter and its marks.
    if (layout && direction > 0 && column < lineLength(line))
        to = lineStart(line) + layout->nextCursorPosition(static_cast<int>(column));
    else if (layout && direction < 0 && column > 0)
        to = lineStart(line) + layout->previousCursorPosition(static_cast<int>(column));
    return std::clamp<qsizetype>(to, 0, m_text.size());
}

QRect LongTextField::cellRect(qsizetype position) const
{
    const qsizetype line = lineOf(position);
    const double x = xOf(line, position) - horizontalScrollBar()->value();
    const qsizetype row = line - verticalScrollBar()->value();
    return QRect(static_cast<int>(std::clamp(x, double(INT_MIN / 2), double(INT_MAX / 2))),
                 m_top + static_cast<int>(std::clamp<qsizetype>(row, INT_MIN / 2 / m_rowHeight, INT_MAX / 2 / m_rowHeight)) * m_rowHeight,
                 qCeil(m_cellWidth), m_rowHeight);
}

qsizetype LongTextField::positionAt(QPoint point) const
{
    const qsizetype line = std::clamp<qsizetype>(verticalScrollBar()->value() + std::max(0, point.y() - m_top) / m_rowHeight, 0,
                                                 lineCount() - 1);
    return positionInLine(line, point.x() + horizontalScrollBar()->value());
}

void LongTextField::ensureCursorVisible()
{
    const qsizetype line = lineOf(m_cursor);
    QScrollBar* rows = verticalScrollBar();
    if (line < rows->value())
        rows->setValue(static_cast<int>(line));
    else if (line >= rows->value() + visibleRows())
        rows->setValue(static_cast<int>(line - visibleRows() + 1));
    QScrollBar* pixels = horizontalScrollBar();
    const double x = xOf(line, m_cursor);
    const int margin = std::min(viewport()->width() / 4, qCeil(m_cellWidth) * 8);
    if (x < pixels->value())
        pixels->setValue(static_cast<int>(std::max(0.0, x - margin)));
    else if (x + m_cellWidth > pixels->value() + viewport()->width())
        pixels->setValue(static_cast<int>(std::min(double(INT_MAX), x + m_cellWidth + margin - viewport()->width())));
}

void LongTextField::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QPalette& pal = palette();
    const qsizetype firstLine = verticalScrollBar()->value();
    const int scrolled = horizontalScrollBar()->value();
    const qsizetype firstColumn = static_cast<qsizetype>(scrolled / m_cellWidth);
    const qsizetype columns = static_cast<qsizetype>(viewport()->width() / m_cellWidth) + 2;
    const qsizetype selFrom = selectionStart();
    const qsizetype selTo = selectionEnd();
    const bool focused = hasFocus();
    for (qsizetype row = 0; row <= visibleRows() && firstLine + row < lineCount(); ++row) {
        const qsizetype line = firstLine + row;
        const qsizetype start = lineStart(line);
        const qsizetype length = lineLength(line);
        const int top = m_top + static_cast<int>(row) * m_rowHeight;
        if (const QTextLayout* layout = layoutOf(line)) {
            drawLaidOutLine(painter, *layout, start, length, top);
            continue;
        }
        auto xOf = [&](qsizetype column) { return static_cast<double>(column) * m_cellWidth - scrolled; };
        const qsizetype from = std::min(firstColumn, length);
        const qsizetype to = std::min(firstColumn + columns, length);
        painter.setPen(pal.color(QPalette::Text));
        if (to > from)
            painter.drawText(QPointF(xOf(from), top + m_ascent), Shown(QStringView(m_text).mid(start + from, to - from)));
        // The selection, with the line break at its end shown as one cell.
        const qsizetype a = std::max(selFrom - start, from);
        const qsizetype b = std::min(selTo - start, std::min(firstColumn + columns, length + 1));
        // A one-line field shows its selection only while it has the focus.
        if (selTo > selFrom && b > a && (focused || m_lines == Lines::Many)) {
            const QRectF cells(xOf(a), top, static_cast<double>(b - a) * m_cellWidth, m_rowHeight);
            painter.fillRect(cells, pal.brush(focused ? QPalette::Active : QPalette::Inactive, QPalette::Highlight));
            painter.setPen(pal.color(QPalette::HighlightedText));
            const qsizetype textTo = std::min(b, length);
            if (textTo > a)
                painter.drawText(QPointF(xOf(a), top + m_ascent), Shown(QStringView(m_text).mid(start + a, textTo - a)));
        }
    }
    if (focused && m_cursorShown) {
        const QRect cell = cellRect(m_cursor);
        painter.fillRect(QRect(cell.left(), cell.top(), 1, cell.height()), pal.color(QPalette::Text));
    }
}

void LongTextField::drawLaidOutLine(QPainter& painter, const QTextLayout& layout, qsizetype start, qsizetype length,
                                    int top) const
{
    const QPalette& pal = palette();
    const bool focused = hasFocus();
    const QBrush& highlight = pal.brush(focused ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
    const int scrolled = horizontalScrollBar()->value();
    // The selection, with the line break at its end shown as one cell.
    const qsizetype a = std::max<qsizetype>(selectionStart() - start, 0);
    const qsizetype b = std::min(selectionEnd() - start, length + 1);
    const bool selected = selectionEnd() > selectionStart() && b > a && (focused || m_lines == Lines::Many);
    QList<QTextLayout::FormatRange> selections;
    if (selected && std::min(b, length) > a) {
        QTextLayout::FormatRange range;
        range.start = static_cast<int>(a);
        range.length = static_cast<int>(std::min(b, length) - a);
        range.format.setBackground(highlight);
        range.format.setForeground(pal.brush(QPalette::HighlightedText));
        selections.append(range);
    }
    painter.setPen(pal.color(QPalette::Text));
    layout.draw(&painter, QPointF(-scrolled, top), selections);
    if (selected && b > length)
        painter.fillRect(QRectF(layout.lineAt(0).naturalTextWidth() - scrolled, top, m_cellWidth, m_rowHeight), highlight);
}

void LongTextField::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LongTextField::scrollContentsBy(int, int)
{
    viewport()->update();
}

bool LongTextField::event(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        m_layouts.clear();
        updateScrollBars();
        viewport()->update();
    }
    // Undo, the clipboard keys (Shift+Insert too) and typing belong to the
    // field, not to a shortcut of the window behind the dialog.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        static constexpr QKeySequence::StandardKey editing[] = {
            QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo,
            QKeySequence::Redo, QKeySequence::SelectAll, QKeySequence::Delete};
        const bool edits = std::any_of(std::begin(editing), std::end(editing),
                                       [key](QKeySequence::StandardKey k) { return key->matches(k); });
        if (edits || key->modifiers() & Qt::ControlModifier || IsTypedText(key->text())) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool LongTextField::moveByKey(QKeyEvent* event)
{
    using K = QKeySequence::StandardKey;
    struct Move {
        K select;
        K move;
        int kind;
    };
    enum { Left, Right, Up, Down, Home, End, Top, Bottom, PageUp, PageDown, WordLeft, WordRight };
    static constexpr Move moves[] = {
        {QKeySequence::SelectPreviousChar, QKeySequence::MoveToPreviousChar, Left},
        {QKeySequence::SelectNextChar, QKeySequence::MoveToNextChar, Right},
        {QKeySequence::SelectPreviousLine, QKeySequence::MoveToPreviousLine, Up},
        {QKeySequence::SelectNextLine, QKeySequence::MoveToNextLine, Down},
        {QKeySequence::SelectStartOfLine, QKeySequence::MoveToStartOfLine, Home},
        {QKeySequence::SelectEndOfLine, QKeySequence::MoveToEndOfLine, End},
        {QKeySequence::SelectStartOfDocument, QKeySequence::MoveToStartOfDocument, Top},
        {QKeySequence::SelectEndOfDocument, QKeySequence::MoveToEndOfDocument, Bottom},
        {QKeySequence::SelectPreviousPage, QKeySequence::MoveToPreviousPage, PageUp},
        {QKeySequence::SelectNextPage, QKeySequence::MoveToNextPage, PageDown},
        {QKeySequence::SelectPreviousWord, QKeySequence::MoveToPreviousWord, WordLeft},
        {QKeySequence::SelectNextWord, QKeySequence::MoveToNextWord, WordRight},
    };
    for (const Move& m : moves) {
        const bool select = event->matches(m.select);
        if (!select && !event->matches(m.move))
            continue;
        const qsizetype line = lineOf(m_cursor);
        const qsizetype column = m_cursor - lineStart(line);
        const qsizetype wanted = m_wantedColumn >= 0 ? m_wantedColumn : column;
        auto toLine = [&](qsizetype target) {
            target = std::clamp<qsizetype>(target, 0, lineCount() - 1);
            if (layoutOf(target))
                return positionInLine(target, static_cast<double>(wanted) * m_cellWidth);
            return lineStart(target) + std::min(wanted, lineLength(target));
        };
        qsizetype to = m_cursor;
        bool vertical = false;
        switch (m.kind) {
        case Left:
            to = !select && selectionEnd() > selectionStart() ? selectionStart() : cursorStep(m_cursor, -1);
            break;
        case Right:
            to = !select && selectionEnd() > selectionStart() ? selectionEnd() : cursorStep(m_cursor, 1);
            break;
        case Up: to = line == 0 ? 0 : toLine(line - 1); vertical = true; break;
        case Down: to = line + 1 == lineCount() ? m_text.size() : toLine(line + 1); vertical = true; break;
        case PageUp: to = toLine(line - visibleRows()); vertical = true; break;
        case PageDown: to = toLine(line + visibleRows()); vertical = true; break;
        case Home: to = lineStart(line); break;
        case End: to = lineStart(line) + lineLength(line); break;
        case Top: to = 0; break;
        case Bottom: to = m_text.size(); break;
        case WordLeft:
            to = m_cursor;
            while (to > 0 && !m_text.at(to - 1).isLetterOrNumber())
                --to;
            while (to > 0 && m_text.at(to - 1).isLetterOrNumber())
                --to;
            break;
        case WordRight:
            to = m_cursor;
            while (to < m_text.size() && m_text.at(to).isLetterOrNumber())
                ++to;
            while (to < m_text.size() && !m_text.at(to).isLetterOrNumber())
                ++to;
            break;
        }
        setCursorPosition(to, select);
        m_wantedColumn = vertical ? wanted : -1;
        return true;
    }
    return false;
}

void LongTextField::undoOrRedo(std::vector<Change>& from, std::vector<Change>& to)
{
    if (from.empty())
        return;
    const Change change = std::move(from.back());
    from.pop_back();
    apply(change.at, change.at + change.inserted.size(), change.removed);
    to.push_back({change.at, change.inserted, change.removed});
    m_anchor = change.at;
    setCursorPosition(change.at + change.removed.size(), true);
}

void LongTextField::keyPressEvent(QKeyEvent* event)
{
    const bool selected = selectionEnd() > selectionStart();
    if (moveByKey(event)) {
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
    } else if (event->matches(QKeySequence::Copy)) {
        if (selected)
            QApplication::clipboard()->setText(selectedText());
    } else if (event->matches(QKeySequence::Cut)) {
        if (selected) {
            QApplication::clipboard()->setText(selectedText());
            insert(QString());
        }
    } else if (event->matches(QKeySequence::Paste)) {
        insert(QApplication::clipboard()->text());
    } else if (event->matches(QKeySequence::Undo)) {
        undoOrRedo(m_undo, m_redo);
    } else if (event->matches(QKeySequence::Redo)) {
        undoOrRedo(m_redo, m_undo);
    } else if (event->key() == Qt::Key_Backspace) {
        if (!selected && m_cursor > 0)
            m_anchor = cursorStep(m_cursor, -1);
        insert(QString());
    } else if (event->matches(QKeySequence::Delete)) {
        if (!selected && m_cursor < m_text.size())
            m_anchor = cursorStep(m_cursor, 1);
        insert(QString());
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_lines == Lines::Many) {
        insert(QStringLiteral("\n"));
    } else if (IsTypedText(event->text())) {
        insert(event->text());
    } else {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void LongTextField::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty())
        insert(event->commitString());
    event->accept();
}

QVariant LongTextField::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return cellRect(m_cursor).translated(viewport()->pos());
    case Qt::ImCursorPosition: return static_cast<int>(m_cursor - lineStart(lineOf(m_cursor)));
    case Qt::ImSurroundingText: {
        const qsizetype line = lineOf(m_cursor);
        return m_text.mid(lineStart(line), std::min<qsizetype>(lineLength(line), 4096));
    }
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void LongTextField::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setCursorPosition(positionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void LongTextField::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        setCursorPosition(positionAt(event->position().toPoint()), true);
}

void LongTextField::focusInEvent(QFocusEvent* event)
{
    restartBlink();
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void LongTextField::focusOutEvent(QFocusEvent* event)
{
    m_blink.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

void LongTextField::restartBlink()
{
    m_cursorShown = true;
    const int interval = QApplication::cursorFlashTime() / 2;
    if (hasFocus() && interval > 0)
        m_blink.start(interval, this);
}

void LongTextField::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_blink.timerId())
        return QAbstractScrollArea::timerEvent(event);
    m_cursorShown = !m_cursorShown;
    viewport()->update(cellRect(m_cursor));
}

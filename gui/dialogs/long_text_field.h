// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <QTextLayout>

#include <memory>
#include <unordered_map>
#include <vector>

// A text field without wrapping, in a fixed-pitch font, that stays quick on
// texts of any size: a line of many megabytes or millions of lines. Every
// line is one row and, where it holds only Windows-1252 characters, every
// character one column, so finding, drawing and scrolling touch only what is
// on screen. A line with characters of other scripts (of other widths,
// combining marks, emoji) is laid out by Qt's text layout with the system's
// font fallback. In a multi-line field "\n" breaks
// lines and Return starts one; a one-line field shows every character in its
// row (a control character as a blank) and leaves Return to the dialog.
class LongTextField final : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class Lines { One, Many };
    explicit LongTextField(Lines lines, QWidget* parent = nullptr);

    // A text with what is known of it: where its lines begin (0, then the
    // position after each "\n"; only 0 for a one-line field), the length of
    // the longest, and whether every character is one column. Whoever makes
    // a huge text learns these on the way, cheaper than a walk over it after.
    struct Shaped {
        QString text;
        std::vector<qsizetype> lineStarts{0};
        qsizetype longestLine = 0;
        bool columnsOnly = true;
    };
    // What a field with these lines learns of a text by looking at it.
    static Shaped shape(QString text, Lines lines);

    const QString& text() const { return m_text; }
    // Sets the text afresh: no longer modified, nothing to undo.
    void setText(const QString& text);
    void setText(Shaped shaped);
    // Whether the text was edited since setText (it may read the same again).
    bool isModified() const { return m_modified; }
    QString selectedText() const;
    qsizetype cursorPosition() const { return m_cursor; }
    // Moves the cursor; with keepAnchor the selection stretches to it.
    void setCursorPosition(qsizetype position, bool keepAnchor = false);
    void selectAll();
    // Replaces the selection, as typing or pasting would.
    void insert(const QString& text);

    qsizetype lineCount() const { return static_cast<qsizetype>(m_lineStarts.size()); }
    qsizetype lineOf(qsizetype position) const;
    qsizetype lineStart(qsizetype line) const { return m_lineStarts[static_cast<std::size_t>(line)]; }
    qsizetype lineLength(qsizetype line) const;
    // Where a character's cell lies in the viewport.
    QRect cellRect(qsizetype position) const;
    qsizetype positionAt(QPoint viewportPoint) const;
    qsizetype selectionStart() const { return std::min(m_anchor, m_cursor); }
    qsizetype selectionEnd() const { return std::max(m_anchor, m_cursor); }
    // Replaces [from, to) with text: the one way the text changes.
    void replace(qsizetype from, qsizetype to, const QString& text);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    // The text changed by typing, pasting or any other edit.
    void edited();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool event(QEvent* event) override;

private:
    struct Change {
        qsizetype at;
        QString removed;
        QString inserted;
    };
    // The edit itself, without recording it for Undo.
    void apply(qsizetype from, qsizetype to, const QString& text);
    bool moveByKey(QKeyEvent* event);
    void findLongestLine();
    void undoOrRedo(std::vector<Change>& from, std::vector<Change>& to);
    void updateScrollBars();
    void ensureCursorVisible();
    void restartBlink();
    int visibleRows() const;
    // The layout of a line that is not all columns, else nullptr.
    const QTextLayout* layoutOf(qsizetype line) const;
    // Where a position of a line lies, in pixels from the line's start, and
    // the position nearest to such an x.
    double xOf(qsizetype line, qsizetype position) const;
    qsizetype positionInLine(qsizetype line, double x) const;
    // The position a cursor may stand at, next to `position` in `direction`.
    qsizetype cursorStep(qsizetype position, int direction) const;
    void drawLaidOutLine(QPainter& painter, const QTextLayout& layout, qsizetype start, qsizetype length,
                         int top) const;

    const Lines m_lines;
    // A one-line field centres its row.
    int m_top = 0;
    QString m_text;
    // Whether the text may hold a character that is not one column; false,
    // every line is columns without a look at it.
    bool m_mayHoldOtherWidths = false;
    mutable std::unordered_map<qsizetype, std::unique_ptr<QTextLayout>> m_layouts;
    // Where each line begins; the first is 0, so there is always one line.
    std::vector<qsizetype> m_lineStarts{0};
    qsizetype m_longestLine = 0;
    qsizetype m_cursor = 0;
    qsizetype m_anchor = 0;
    // The column Up and Down keep to across shorter lines.
    qsizetype m_wantedColumn = -1;
    std::vector<Change> m_undo;
    std::vector<Change> m_redo;
    qreal m_cellWidth = 8;
    int m_rowHeight = 16;
    int m_ascent = 12;
    bool m_cursorShown = true;
    bool m_modified = false;
    QBasicTimer m_blink;
};

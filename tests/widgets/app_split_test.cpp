// SPDX-License-Identifier: MIT
// The whole program started on a document: the split panes (dragging the
// split boxes, unsplitting), how they scroll together and settle.

#include <QMouseEvent>
#include <QSplitter>
#include <QSplitterHandle>

#include "app_fixture.h"
#include "core/document/command_ids.h"

using namespace app_fixture;
using namespace cmd;

namespace {

// A description of n lines of about 106 characters each, made of short words.
std::string LongDescription(int n)
{
    std::string text;
    for (int i = 0; i < n; ++i) {
        std::string line = "line " + std::to_string(i) + ":";
        for (int w = 0; line.size() + 7 <= 106; ++w)
            line += " words" + std::to_string((i * 7 + w) % 10);
        text += line + "\r\n";
    }
    return text;
}

// Drags handle i of the splitter by the mouse to pos (splitter coordinates
// along its orientation), as a user drags a split box or a split bar.
void DragHandle(QSplitter* splitter, int i, int pos)
{
    QSplitterHandle* handle = splitter->handle(i);
    const QPoint grip = handle->rect().center();
    const QPoint target = handle->mapFrom(splitter, splitter->orientation() == Qt::Vertical
                                                        ? QPoint(handle->mapTo(splitter, grip).x(), pos)
                                                        : QPoint(pos, handle->mapTo(splitter, grip).y()));
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, target);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, target);
    Settle();
}

// Where the pane lies in the splitter.
QRect PlaceOf(RunningApp& app, QWidget* pane)
{
    return QRect(pane->mapTo(&app.Splitter(), QPoint(0, 0)), pane->size());
}

// The splitter holds a grid of rows x columns panes, each shown, beyond the
// pane before it in its row and in its column, and drawing the entry.
void CheckGrid(RunningApp& app, int rows, int columns)
{
    QCOMPARE(app.Splitter().rowCount(), rows);
    QCOMPARE(app.Splitter().columnCount(), columns);
    QCOMPARE(static_cast<int>(app.Frame().Views().size()), rows * columns);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            COvrinView* pane = app.Pane(r, c);
            QVERIFY(pane && pane->isVisible() && pane->width() > 50 && pane->height() > 50);
            const QRect place = PlaceOf(app, pane);
            QVERIFY(c == 0 || place.left() > PlaceOf(app, app.Pane(r, c - 1)).right());
            QVERIFY(r == 0 || place.top() > PlaceOf(app, app.Pane(r - 1, c)).bottom());
            const int L = pane->LineHeight();
            QVERIFY(InkIn(pane->viewport()->grab().toImage(), QRect(0, L - 1, 40, 3 * L)));
        }
    }
}

}  // namespace

class AppSplitTest final : public QObject {
    Q_OBJECT

private slots:
    // The split boxes dragged into the window make a row, then a column of
    // panes in both rows, each drawing the entry; panes of a row scroll up
    // and down together, panes of a column sideways together; only the
    // right column and the bottom row show their bars. Dragging the bars
    // back to the edge unsplits, and then the program has nothing to do.
    void splitScrollTogetherThenUnsplit()
    {
        const WarningTrap warnings;
        RunningApp app({{"garden tools", LongDescription(150)}, {"house", "roof"}});
        QVERIFY(app.Started());
        app.Resize(900, 700);
        CheckGrid(app, 1, 1);
        QSplitter* rows = app.Splitter().rowSplitter();
        DragHandle(rows, 1, rows->height() / 2);
        CheckGrid(app, 2, 1);
        DragHandle(app.Splitter().columnSplitter(0), 1, 400);
        CheckGrid(app, 2, 2);
        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 2; ++c) {
                QCOMPARE(app.Pane(r, c)->verticalScrollBar()->isVisible(), c == 1);
                QCOMPARE(app.Pane(r, c)->horizontalScrollBar()->isVisible(), r == 1);
            }
        }

        // Down in the top row: both its panes move, the bottom row stays.
        app.Pane(0, 1)->verticalScrollBar()->setValue(300);
        Settle();
        QCOMPARE(app.Pane(0, 0)->verticalScrollBar()->value(), 300);
        QCOMPARE(app.Pane(1, 1)->verticalScrollBar()->value(), 0);
        // Sideways in the left column: both its panes move, the right stays.
        QScrollBar* sideways = app.Pane(1, 0)->horizontalScrollBar();
        QVERIFY(sideways->maximum() > 0);
        sideways->setValue(sideways->maximum());
        Settle();
        QCOMPARE(app.Pane(0, 0)->horizontalScrollBar()->value(), sideways->value());
        QCOMPARE(app.Pane(0, 1)->horizontalScrollBar()->value(), 0);

        // The bar between the rows pushed up to the top: one row is left.
        DragHandle(rows, 1, 0);
        CheckGrid(app, 1, 2);
        DragHandle(app.Splitter().columnSplitter(0), 1, 0);
        CheckGrid(app, 1, 1);
        QVERIFY2(warnings.Warnings().isEmpty(), qPrintable(warnings.Warnings().join('\n')));
        QVERIFY(ActivityProbe(app.Splitter()).IdleFor(500));
    }
};

OVRIN_WIDGET_TEST_MAIN(AppSplitTest)
#include "app_split_test.moc"

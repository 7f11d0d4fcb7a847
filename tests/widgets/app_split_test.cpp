// SPDX-License-Identifier: MIT
// The whole program started on a document: where its window opens, the
// split panes (View/Split, dragging the split boxes, unsplitting), how they
// scroll together and settle, Home and End, and the frames on the screen.

#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QSplitterHandle>

#include "app_fixture.h"
#include "view/screen_font.h"
#include "dialogs/find_dlg.h"
#include "doc/command_ids.h"

using namespace app_fixture;
using namespace cmd;

namespace {

// A description of n lines of about width characters each, made of short
// words, with the word "needle" on line hitLine (none when hitLine < 0).
std::string LongDescription(int n, int hitLine = -1, int width = 106)
{
    std::string text;
    for (int i = 0; i < n; ++i) {
        std::string line = "line " + std::to_string(i) + ":";
        if (i == hitLine)
            line += " needle";
        for (int w = 0; line.size() + 7 <= static_cast<std::size_t>(width); ++w)
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
    const QPoint grip(handle->width() / 2, handle->height() / 2);
    const QPoint target = splitter->orientation() == Qt::Vertical
                              ? QPoint(grip.x(), pos)
                              : QPoint(pos, grip.y());
    const QPoint globalGrip = handle->mapToGlobal(grip);
    const QPoint globalTarget = splitter->mapToGlobal(target);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(grip), QPointF(globalGrip), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(handle->mapFromGlobal(globalTarget)),
                     QPointF(globalTarget), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(handle->mapFromGlobal(globalTarget)),
                        QPointF(globalTarget), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
    Settle();
}

// Where the pane lies in the splitter.
QRect PlaceOf(RunningApp& app, QWidget* pane)
{
    return QRect(pane->mapTo(&app.Splitter(), QPoint(0, 0)), pane->size());
}

// Every pane of the splitter is shown, lies in its own cell of a grid of
// rows x columns that fills the splitter, and draws the current entry.
void CheckGrid(RunningApp& app, int rows, int columns)
{
    QCOMPARE(app.Splitter().rowCount(), rows);
    QCOMPARE(app.Splitter().columnCount(), columns);
    QCOMPARE(static_cast<int>(app.Frame().Views().size()), rows * columns);
    const QRect area = app.Splitter().rect();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            COvrinView* pane = app.Pane(r, c);
            QVERIFY(pane);
            QVERIFY(pane->isVisible());
            const QRect place = PlaceOf(app, pane);
            QVERIFY2(place.width() > 50 && place.height() > 50,
                     qPrintable(QStringLiteral("pane %1,%2 is %3x%4").arg(r).arg(c)
                                    .arg(place.width()).arg(place.height())));
            // Left column at the left edge, top row at the top edge, the
            // others beyond the pane before them.
            if (c == 0)
                QVERIFY(place.left() < 10);
            else
                QVERIFY(place.left() > PlaceOf(app, app.Pane(r, c - 1)).right());
            if (r == 0)
                QVERIFY(place.top() < 10);
            else
                QVERIFY(place.top() > PlaceOf(app, app.Pane(r - 1, c)).bottom());
            if (c == columns - 1)
                QVERIFY(place.right() > area.right() - 30);
            if (r == rows - 1)
                QVERIFY(place.bottom() > area.bottom() - 30);
            // The key-word frame's top left corner and the first lines.
            const QImage shot = pane->viewport()->grab().toImage();
            const int L = pane->LineHeight();
            QVERIFY2(InkIn(shot, QRect(0, L - 1, 40, 3 * L)),
                     qPrintable(QStringLiteral("pane %1,%2 draws nothing").arg(r).arg(c)));
        }
    }
}

}  // namespace

class AppSplitTest final : public QObject {
    Q_OBJECT

private slots:
    // View/Split makes two rows of two panes, each drawing the entry; panes
    // of a row scroll up and down together, panes of a column sideways
    // together; only the right column and the bottom row show their bars.
    // Then the program has nothing more to do.
    void splitGivesFourWorkingPanesThenIdles()
    {
        const WarningTrap warnings;
        RunningApp app({{"garden tools", LongDescription(150)}, {"house", "roof"}});
        QVERIFY(app.Started());
        app.Resize(900, 700);
        ActivityProbe probe(app.Splitter());

        app.Frame().ExecuteCommand(ID_WINDOW_SPLIT);
        Settle(200);
        CheckGrid(app, 2, 2);
        QVERIFY2(warnings.Warnings().isEmpty(), qPrintable(warnings.Warnings().join('\n')));
        QVERIFY2(probe.IdleFor(500), qPrintable(QStringLiteral("%1 paints, %2 timers, %3 scrolls")
                                                     .arg(probe.Paints()).arg(probe.Timers())
                                                     .arg(probe.Scrolls())));

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
        QCOMPARE(app.Pane(1, 0)->verticalScrollBar()->value(), 0);
        QCOMPARE(app.Pane(1, 1)->verticalScrollBar()->value(), 0);
        // Sideways in the left column: both its panes move, the right stays.
        QVERIFY(app.Pane(1, 0)->horizontalScrollBar()->maximum() > 0);
        app.Pane(1, 0)->horizontalScrollBar()->setValue(app.Pane(1, 0)->horizontalScrollBar()->maximum());
        Settle();
        QCOMPARE(app.Pane(0, 0)->horizontalScrollBar()->value(),
                 app.Pane(1, 0)->horizontalScrollBar()->value());
        QCOMPARE(app.Pane(0, 1)->horizontalScrollBar()->value(), 0);
        QVERIFY(probe.IdleFor(500));
    }

    // The split boxes dragged into the window make a row, then a column of
    // panes in both rows; dragging the bars back to the edge unsplits.
    void dragSplitBoxesThenUnsplit()
    {
        const WarningTrap warnings;
        RunningApp app({{"garden tools", LongDescription(60)}});
        QVERIFY(app.Started());
        app.Resize(900, 700);
        CheckGrid(app, 1, 1);

        QSplitter* rows = app.Splitter().rowSplitter();
        DragHandle(rows, 1, rows->height() / 2);
        CheckGrid(app, 2, 1);
        DragHandle(app.Splitter().columnSplitter(0), 1, 400);
        CheckGrid(app, 2, 2);
        // Both rows took the new column at the same place.
        QCOMPARE(PlaceOf(app, app.Pane(0, 1)).left(), PlaceOf(app, app.Pane(1, 1)).left());
        QVERIFY2(warnings.Warnings().isEmpty(), qPrintable(warnings.Warnings().join('\n')));

        // The bar between the rows pushed up to the top: one row is left.
        DragHandle(rows, 1, 0);
        CheckGrid(app, 1, 2);
        // The bar between the columns pushed to the left: one pane.
        DragHandle(app.Splitter().columnSplitter(0), 1, 0);
        CheckGrid(app, 1, 1);
        QVERIFY2(warnings.Warnings().isEmpty(), qPrintable(warnings.Warnings().join('\n')));
        ActivityProbe probe(app.Splitter());
        QVERIFY(probe.IdleFor(500));
    }

    // Panes side by side, both wider than the least layout width but not
    // equally wide, wrap the description differently, so a find hit lies at
    // a different height in each, while they share one vertical position.
    // Whatever the arrangement, the program settles after the search.
    void unequalPanesSettleOnAHit_data()
    {
        QTest::addColumn<int>("rows");
        QTest::newRow("one row") << 1;
        QTest::newRow("two rows") << 2;
    }
    void unequalPanesSettleOnAHit()
    {
        QFETCH(int, rows);
        // Lines that wrap once in the narrow pane and fit in the wide one,
        // so the hit lies about twice as deep in the narrow pane.
        const QFontMetrics metrics(ViewFont());
        const int narrow = 660;
        int lineChars = 20;
        auto lineWidth = [&] {
            const std::string line = LongDescription(1, -1, lineChars);
            return metrics.horizontalAdvance(QString::fromLatin1(line.substr(0, line.size() - 2)));
        };
        while (lineWidth() < narrow + 60)
            lineChars += 4;
        const int wide = lineWidth() + 100;
        RunningApp app({Entry{"alpha", "short"}, Entry{"beta", LongDescription(200, 50, lineChars)}});
        QVERIFY(app.Started());
        app.Resize(narrow + wide + 60, 600);
        app.Frame().ExecuteCommand(ID_WINDOW_SPLIT);
        Settle();
        if (rows == 1)
            DragHandle(app.Splitter().rowSplitter(), 1, 0);
        QCOMPARE(app.Splitter().rowCount(), rows);
        for (int r = 0; r < rows; ++r)
            app.Splitter().columnSplitter(r)->setSizes({narrow, wide});
        Settle();
        QVERIFY(app.Pane(0, 0)->width() > 615);
        QVERIFY(app.Pane(0, 1)->width() > app.Pane(0, 0)->width() + 100);

        app.Frame().ExecuteCommand(ID_ENTRY_FIND);
        CFindDlg* find = app.App().Host().FindWindow();
        QVERIFY(find);
        find->findChild<QLineEdit*>(QStringLiteral("IDC_SEARCH_STRING"))->setText(QStringLiteral("needle"));
        find->findChild<QCheckBox*>(QStringLiteral("IDC_IN_DESCRIPTIONS"))->click();
        ActivityProbe probe(app.Splitter());
        find->findChild<QPushButton*>(QStringLiteral("IDC_FIND_NEXT"))->click();
        QCOMPARE(app.Doc().m_nCurrent, 1);
        QVERIFY(app.Doc().m_nFindPos > 0);
        QVERIFY2(probe.SettlesWithin(5000),
                 qPrintable(QStringLiteral("still %1 paints and %2 scrolls in 400 ms")
                                .arg(probe.Paints()).arg(probe.Scrolls())));
        // The panes did scroll towards the hit.
        QVERIFY(app.Pane(0, 1)->verticalScrollBar()->value() > 0);

        // Exposed again one after the other, as a window system repaints
        // panes that another window uncovered, they still come to rest.
        std::vector<int> positions;
        int changes = 0;
        for (int round = 0; round < 12; ++round) {
            for (COvrinView* view : app.Frame().Views()) {
                view->viewport()->repaint();
                Settle(5);
            }
            std::vector<int> now;
            for (COvrinView* view : app.Frame().Views())
                now.push_back(view->verticalScrollBar()->value());
            if (now != positions && round > 0)
                ++changes;
            positions = now;
        }
        QVERIFY2(changes <= 3, qPrintable(QStringLiteral("positions changed in %1 of 11 rounds").arg(changes)));
        QVERIFY(probe.SettlesWithin(2000));
        find->reject();
        Settle();
    }

    // Home and End, with or without Ctrl, reach the top and the bottom of
    // a long key list and of a long description.
    void homeAndEndReachTheEnds()
    {
        std::vector<Entry> entries;
        for (int i = 0; i < 3000; ++i)
            entries.push_back({"key " + std::to_string(100000 + i), "d"});
        entries[0].description = LongDescription(200);
        RunningApp app(entries);
        QVERIFY(app.Started());
        app.Resize(700, 500);
        COvrinView* view = app.Pane(0, 0);
        view->setFocus();
        QScrollBar* bar = view->verticalScrollBar();

        for (bool keyList : {true, false}) {
            app.Frame().ExecuteCommand(keyList ? ID_VIEW_KEYWORDS : ID_VIEW_DESCRIPTION);
            Settle();
            QVERIFY(bar->maximum() > 10 * view->height());
            for (Qt::KeyboardModifier mod : {Qt::NoModifier, Qt::ControlModifier}) {
                QTest::keyClick(view, Qt::Key_End, mod);
                Settle();
                QCOMPARE(bar->value(), bar->maximum());
                QTest::keyClick(view, Qt::Key_Home, mod);
                Settle();
                QCOMPARE(bar->value(), 0);
            }
        }
        // At the end of the key list the last block is drawn.
        app.Frame().ExecuteCommand(ID_VIEW_KEYWORDS);
        QTest::keyClick(view, Qt::Key_End);
        Settle();
        const QImage shot = view->viewport()->grab().toImage();
        const int L = view->LineHeight();
        QVERIFY(InkIn(shot, QRect(15, shot.height() - 2 * L, 200, 2 * L)));
    }

    // The frames cover their rectangles with the right and bottom edges
    // outside: the key-word frame ends one pixel before the date frame
    // begins, the date frame one pixel before the right edge, and both one
    // pixel above the frame bottom.
    void framesCoverTheirRectangles()
    {
        RunningApp app({Entry{"garden", "spade"}});
        QVERIFY(app.Started());
        app.Resize(700, 400);
        COvrinView* view = app.Pane(0, 0);
        QCOMPARE(view->horizontalScrollBar()->value(), 0);
        const QImage shot = view->viewport()->grab().toImage();
        const int L = view->LineHeight();
        const int W = std::max(view->width(), 615);
        const int R = W - 15;
        const int S = W - 125;
        const int B = 4 * L;          // frame bottom below one line of key words
        const int y = 3 * L + L / 2;  // between the key words and the frame bottom
        const int x = S - 40;
        // Each point and whether the frame's line covers it.
        const struct { int x, y; bool dark; } probes[] = {
            {4, y, false}, {5, y, true}, {6, y, false},                     // left edge
            {S - 2, y, false}, {S - 1, y, true}, {S, y, true}, {S + 1, y, false},  // key words | date
            {R - 2, y, false}, {R - 1, y, true}, {R, y, false},             // right edge
            {x, L - 1, false}, {x, L, true}, {x, L + 1, false},             // top edge
            {x, B - 2, false}, {x, B - 1, true}, {x, B, false},             // bottom edge
        };
        for (const auto& p : probes)
            QVERIFY2(Dark(shot, p.x, p.y) == p.dark, qPrintable(QStringLiteral("at %1,%2").arg(p.x).arg(p.y)));
    }
};

OVRIN_WIDGET_TEST_MAIN(AppSplitTest)
#include "app_split_test.moc"

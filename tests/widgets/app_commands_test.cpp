// SPDX-License-Identifier: MIT
// The whole program: tool bar, file drop, split panes (boxes, unsplitting), their joint scroll and rest, the frames.
#include <QDialog>
#include <QDropEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinterInfo>
#include <QProcess>
#include <QSplitter>
#include <QSplitterHandle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app_fixture.h"
#include "gui/app/file_commands.h"
#include "gui/dialogs/find_dlg.h"
#include "gui/dialogs/long_text_field.h"
#include "core/document/command_ids.h"
#include "core/layout/description_layout.h"
#include "core/layout/page_layout.h"
#include "gui/view/print_commands.h"
#include "gui/res/command_actions.h"

using namespace app_fixture;
using namespace cmd;
using test_support::AnswerModal;
using test_support::CloseDialog;

namespace {
std::vector<Entry> ThreeEntries()
{
    return {{"apple", "red\r\nround"}, {"pear", "green"}, {"plum", "blue"}};
}

QToolButton* Button(RunningApp& app, int id)
{
    return qobject_cast<QToolButton*>(
        app.Frame().ToolBar()->widgetForAction(app.Frame().Actions().action(id)));
}

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

// Drags splitter handle i by mouse to pos (along its orientation), as a user drags a split box or bar.
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

// The splitter holds a rows x columns grid, each pane shown past its row and column neighbour, drawing the entry.
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

class AppCommandsTest final : public QObject {
    Q_OBJECT

private slots:
    // A key-list double click changes entry and mode with no command: the tool bar follows at once.
    void toolBarFollowsADoubleClick()
    {
        RunningApp app(ThreeEntries());
        QVERIFY(app.Started());
        app.Resize(700, 500);
        app.Frame().ExecuteCommand(ID_VIEW_KEYWORDS);
        Settle();
        // The key list follows an Edit that makes the first block taller.
        AnswerModal([&] { app.Frame().ExecuteCommand(ID_ENTRY_EDIT); }, [](QWidget* w) {
            w->findChild<LongTextField*>(QStringLiteral("keyWords"))->insert(QStringLiteral(" apple").repeated(60));
            qobject_cast<QDialog*>(w)->accept();
        });
        Settle();
        // The description, left as it was, comes back beside the new key words.
        QCOMPARE(std::string(app.Doc().Descriptions()[0]), std::string("red\r\nround"));
        COvrinView* view = app.Pane(0, 0);
        QVERIFY(view->KeyList().TopOf(1) > 2 * view->LineHeight());
        const int y = view->KeyList().TopOf(2) + view->LineHeight() / 2;
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, y));
        Settle(20);
        QCOMPARE(app.Doc().Current(), 2);
        QVERIFY(Button(app, ID_VIEW_DESCRIPTION)->isChecked());
        QVERIFY(Button(app, ID_ENTRY_BACK)->isEnabled());
        QVERIFY(!Button(app, ID_ENTRY_NEXT)->isEnabled());
    }

    // A drop opens only after it ends, so the unsaved-changes question never holds up the drag source.
    void droppedFileOpensAfterTheDrop()
    {
        RunningApp app(ThreeEntries());
        QVERIFY(app.Started());
        const QString other = app.TempPath("other.ovr");
        QVERIFY(WriteEntries(other.toStdString(), {{"walnut", "brown"}}).ok);
        app.Doc().SetModifiedFlag(true);

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(other)});
        const QPointF at(app.Frame().width() / 2.0, app.Frame().height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&app.Frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        const QString duringDrop = AnswerModal([&] { QApplication::sendEvent(&app.Frame(), &drop); },
                                               CloseDialog);
        QCOMPARE(duringDrop, QString());
        AnswerModal([] { Settle(100); },
                    [&](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::No)->click(); });
        QCOMPARE(QString::fromStdString(app.Doc().GetPathName()), other);
    }

    // Split boxes make a row, then a column in both rows, each pane drawing the entry; rows scroll up/down together,
    // columns sideways, only right column and bottom row show bars; bars dragged back unsplit, leaving nothing to do.
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

    // Screen frames cover their rectangles, right and bottom edges outside; an over-long date stays
    // inside its frame on screen and paper instead of running over the description.
    void framesHoldTheirFields()
    {
        std::string date;
        while (date.size() < 30000)
            date += "24.12.2025 ";
        RunningApp app({{"Garden", "", date}});
        QVERIFY(app.Started());
        app.Resize(700, 500);
        COvrinView& view = *app.Frame().ActiveView();
        QCOMPARE(view.horizontalScrollBar()->value(), 0);
        const QImage shot = view.viewport()->grab().toImage();
        const int L = view.LineHeight();
        const ViewColumns c = ColumnsFor(false, view.width());
        // One line of key words: both frames end at 4L, the date inside them.
        QVERIFY(InkIn(shot, QRect(QPoint(c.split + 5, 2 * L), QPoint(c.right - 6, 3 * L - 1))));
        QVERIFY(!InkIn(shot, QRect(QPoint(c.split + 2, 4 * L + 1), QPoint(c.right - 3, shot.height()))));
        // Key-word frame ends 1 px before the date frame, it 1 px before the right edge, both 1 px above the bottom:
        const int S = c.split, R = c.right, B = 4 * L, y = 3 * L + L / 2, x = S - 40;
        const struct { int x, y; bool dark; } probes[] = {
            {4, y, false}, {5, y, true}, {6, y, false},                            // left edge
            {S - 2, y, false}, {S - 1, y, true}, {S, y, true}, {S + 1, y, false},  // key words | date
            {R - 2, y, false}, {R - 1, y, true}, {R, y, false},                    // right edge
            {x, L - 1, false}, {x, L, true}, {x, L + 1, false},                    // top edge
            {x, B - 2, false}, {x, B - 1, true}, {x, B, false},                    // bottom edge
        };
        for (const auto& p : probes)
            QVERIFY2(Dark(shot, p.x, p.y) == p.dark, qPrintable(QStringLiteral("at %1,%2").arg(p.x).arg(p.y)));

        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("needs a machine without a printer: direct printing would use it");
        CPageLayout pages;
        QCOMPARE(PrintDirect(app.Doc(), pages, QString(), app.Path()), 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {app.TempPath("notes.pdf"), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const int dates = QString::fromUtf8(text.readAllStandardOutput()).count(QStringLiteral("24.12.2025"));
        QVERIFY2(dates >= 1 && dates <= 2, qPrintable(QString::number(dates)));
    }
};

OVRIN_WIDGET_TEST_MAIN(AppCommandsTest)
#include "app_commands_test.moc"

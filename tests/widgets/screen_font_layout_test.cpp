// SPDX-License-Identifier: MIT
// The real screen font: its fixed pitch counts exactly what Qt measures, and
// the key list in the real window (pressing k) has the scroll range and the
// double-click blocks that measuring every line would give.
#include <random>
#include <string>
#include <vector>

#include <QFontMetrics>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "app_fixture.h"
#include "doc/ovrin_doc.h"
#include "frame/main_frame.h"
#include "view/layout/description_layout.h"
#include "view/layout/wrap_index.h"
#include "view/ovrin_view.h"
#include "view/screen_font.h"

namespace {

// The view font's metrics with every line measured, not counted; they
// measure with qt, which must outlive them.
TextMetrics Measured(const QFontMetrics& qt)
{
    TextMetrics metrics = ScreenMetrics(qt, FontKey(ViewFont()));
    metrics.fixedPitch = FixedPitch{};
    return metrics;
}

// Shows the window at 900 x 600 on a fresh document of these entries, the
// first one current; false when the window did not come up.
bool Show(COvrinApp& app, const std::vector<std::string>& keyWords, const std::string& description)
{
    if (!app.InitInstance({}))
        return false;
    CMainFrame& frame = *app.MainFrame();
    frame.resize(900, 600);
    frame.show();
    if (!QTest::qWaitForWindowExposed(&frame))
        return false;
    COvrinDoc& doc = app.Document();
    doc.OnNewDocument();
    std::vector<Entry> entries;
    for (const std::string& k : keyWords)
        entries.push_back({k, description});
    SetEntries(doc, entries);
    frame.UpdateAllViews();
    return true;
}

}  // namespace

class ScreenFontLayoutTest final : public QObject {
    Q_OBJECT

private slots:
    // The font is fixed-pitch for the printable Windows-1252 bytes, and a
    // run of them is as wide as Qt says.
    void pitchAgreesWithQt()
    {
        const QFontMetrics qt(ViewFont());
        const TextMetrics metrics = ScreenMetrics(qt, FontKey(ViewFont()));
        QVERIFY(metrics.fixedPitch.Active());
        for (int b = 0x20; b < 0x7F; ++b)
            QVERIFY2(metrics.fixedPitch.uniform[static_cast<std::size_t>(b)], qPrintable(QString::number(b)));
        std::string uniform;
        for (int b = 0; b < 256; ++b)
            if (metrics.fixedPitch.uniform[static_cast<std::size_t>(b)])
                uniform += static_cast<char>(b);
        std::mt19937 rng(7);
        for (int n = 0; n < 300; ++n) {
            std::string run(1 + rng() % 400, ' ');
            for (char& c : run)
                c = uniform[rng() % uniform.size()];
            QCOMPARE(metrics.fixedPitch.RunWidth(run.size()), qt.horizontalAdvance(RunToQString(run)));
        }
    }

    // A description of thousands of lines: the scroll range is its measured
    // height, and scrolled to the end the view draws its last lines (the
    // drawing wraps from an indexed line above the window down to its bottom).
    void longDescriptionDrawsWhereScrolled()
    {
        std::string description;
        for (int i = 0; i < 5000; ++i)
            description += "line " + std::to_string(i) + (i % 7 ? " short\r\n" : std::string(300, 'w') + "\r\n");
        description += "the end";
        COvrinApp app;
        QVERIFY(Show(app, {"keys"}, description));
        COvrinDoc& doc = app.Document();
        COvrinView& view = *app.MainFrame()->ActiveView();
        view.viewport()->repaint();

        const QFontMetrics qt(ViewFont());
        const TextMetrics measured = Measured(qt);
        const ViewColumns columns = ColumnsFor(doc.m_bDinA4, view.width());
        CWrapIndex lines;
        lines.Update(description, 1, columns.right - 15, measured, "measured");
        const DescriptionLayout layout = LayOutDescription("keys", description, lines, -1, columns, measured);
        QCOMPARE(view.verticalScrollBar()->maximum(), layout.contentHeight - view.viewport()->height());

        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        view.viewport()->repaint();
        const QImage image = view.viewport()->grab().toImage();
        // The last line ("the end") sits one line above the bottom of the content.
        const int L = view.LineHeight();
        const int lastTop = view.viewport()->height() - 2 * L;
        QVERIFY(app_fixture::InkIn(image, QRect(15, lastTop, 65, L)));
        doc.SetModifiedFlag(false);
    }
};

OVRIN_WIDGET_TEST_MAIN(ScreenFontLayoutTest)
#include "screen_font_layout_test.moc"

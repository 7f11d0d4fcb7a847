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

#include "app/ovrin_app.h"
#include "doc/ovrin_doc.h"
#include "frame/main_frame.h"
#include "view/layout/description_layout.h"
#include "view/ovrin_view.h"
#include "view/screen_font.h"
#include "widget_test_support.h"

namespace {

// Key words of every kind: short, long enough to wrap, with tabs, with runs
// of blanks, with bytes of every value.
std::string RandomKeyWords(std::mt19937& rng)
{
    std::string k;
    const int pieces = 1 + static_cast<int>(rng() % 12);
    for (int p = 0; p < pieces; ++p) {
        switch (rng() % 8) {
        case 0: k.append(1 + rng() % 4, ' '); break;
        case 1: k += '\t'; break;
        case 2: k.append(20 + rng() % 200, static_cast<char>('A' + rng() % 26)); break;
        case 3: k += static_cast<char>(0x20 + rng() % 224); break;
        default:
            k += "Rechnung M\xFCnchen \x80 ";
        }
    }
    return k;
}

TextMetrics Measured(TextMetrics metrics)
{
    metrics.fixedPitch = FixedPitch{};
    return metrics;
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

    // Wrapping with the real font gives the same lines counted as measured.
    void wrappingAgreesWithMeasuring()
    {
        const QFontMetrics qt(ViewFont());
        const TextMetrics counted = ScreenMetrics(qt, FontKey(ViewFont()));
        const TextMetrics measured = Measured(counted);
        std::mt19937 rng(8);
        for (int n = 0; n < 200; ++n) {
            std::string text;
            for (int p = 0; p < 6; ++p)
                text += RandomKeyWords(rng) + (rng() % 2 ? "\r\n" : "");
            for (int width : {50, 585, 965}) {
                const std::vector<WrappedLine> a = WrapText(text, width, counted);
                const std::vector<WrappedLine> b = WrapText(text, width, measured);
                QCOMPARE(a.size(), b.size());
                for (std::size_t l = 0; l < a.size(); ++l) {
                    QCOMPARE(a[l].begin, b[l].begin);
                    QCOMPARE(a[l].length, b[l].length);
                }
            }
        }
    }

    // Pressing k in the window: every block bottom, the scroll range and a
    // double click far down the list agree with a layout that measures
    // every line with the font.
    void keyListEqualsMeasuredLayout()
    {
        COvrinApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame& frame = *app.MainFrame();
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        COvrinDoc& doc = app.Document();
        doc.OnNewDocument();
        std::mt19937 rng(9);
        for (int i = 0; i < 2000; ++i) {
            doc.m_arrKeyWords.push_back(RandomKeyWords(rng));
            doc.m_arrDescriptions.push_back("d");
            doc.m_arrDates.push_back("1.1.2026");
        }
        doc.m_nCount = 2000;
        doc.m_nCurrent = 0;
        ++doc.m_nTableVersion;
        frame.UpdateAllViews();

        COvrinView& view = *frame.ActiveView();
        QTest::keyClick(&view, 'k');
        QVERIFY(doc.m_bKeyList);
        view.viewport()->repaint();

        const QFontMetrics qt(ViewFont());
        const TextMetrics measured = Measured(ScreenMetrics(qt, FontKey(ViewFont())));
        const int right = ColumnsFor(doc.m_bDinA4, view.width()).right;
        std::vector<int> bottoms;
        int y = 0;
        for (const std::string& k : doc.m_arrKeyWords)
            bottoms.push_back(y += MeasureTextHeight(k, right - 15, measured));
        QCOMPARE(view.KeyList().Bottoms(), bottoms);
        QCOMPARE(view.verticalScrollBar()->maximum(), bottoms.back() - view.viewport()->height());

        // Scroll to the middle and double-click the third block in view.
        const int i = 1234;
        view.verticalScrollBar()->setValue(bottoms[i - 1]);
        view.viewport()->repaint();
        const int scroll = view.verticalScrollBar()->value();
        const int target = i + 2;
        const int clickY = bottoms[target - 1] - scroll + 1;
        QVERIFY(clickY < view.viewport()->height());
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(100, clickY));
        QCOMPARE(doc.m_nCurrent, target);
        doc.SetModifiedFlag(false);
    }

    // A description of thousands of lines: the scroll range is its measured
    // height, and scrolled to the end the view draws its last lines (the
    // drawing wraps only down to the window's bottom, from the top).
    void longDescriptionDrawsWhereScrolled()
    {
        COvrinApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame& frame = *app.MainFrame();
        frame.resize(900, 600);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        COvrinDoc& doc = app.Document();
        doc.OnNewDocument();
        std::string description;
        for (int i = 0; i < 5000; ++i)
            description += "line " + std::to_string(i) + (i % 7 ? " short\r\n" : std::string(300, 'w') + "\r\n");
        description += "the end";
        doc.m_arrKeyWords.push_back("keys");
        doc.m_arrDescriptions.push_back(description);
        doc.m_arrDates.push_back("1.1.2026");
        doc.m_nCount = 1;
        doc.m_nCurrent = 0;
        ++doc.m_nTableVersion;
        frame.UpdateAllViews();
        COvrinView& view = *frame.ActiveView();
        view.viewport()->repaint();

        const QFontMetrics qt(ViewFont());
        const TextMetrics measured = Measured(ScreenMetrics(qt, FontKey(ViewFont())));
        const DescriptionLayout layout = LayOutDescription(
            "keys", description, -1, ColumnsFor(doc.m_bDinA4, view.width()), measured);
        QCOMPARE(view.verticalScrollBar()->maximum(), layout.contentHeight - view.viewport()->height());

        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        view.viewport()->repaint();
        const QImage image = view.viewport()->grab().toImage();
        // The last line ("the end") sits one line above the bottom of the content.
        const int L = view.LineHeight();
        const int lastTop = view.viewport()->height() - 2 * L;
        bool ink = false;
        for (int y = lastTop; y < lastTop + L && !ink; ++y)
            for (int x = 15; x < 80 && !ink; ++x)
                ink = qGray(image.pixel(x, y)) < 128;
        QVERIFY(ink);
        doc.SetModifiedFlag(false);
    }
};

OVRIN_WIDGET_TEST_MAIN(ScreenFontLayoutTest)
#include "screen_font_layout_test.moc"

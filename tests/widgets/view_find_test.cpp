// SPDX-License-Identifier: MIT
// The views and the Find window in the real main window: what a pane shows,
// the key list's double click, searches typed into the dialog, and the
// scroll range over a long description in the real screen font.

#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>

#include "app_fixture.h"
#include "gui/dialogs/find_dlg.h"
#include "core/document/command_ids.h"
#include "core/text/text_form.h"
#include "core/layout/description_layout.h"
#include "core/layout/wrap_index.h"
#include "gui/view/screen_font.h"

using namespace cmd;

using app_fixture::InkIn;

class ViewFindTest final : public QObject {
    Q_OBJECT

    app_fixture::RunningApp m_app{std::vector<Entry>{}};

    CMainFrame& Frame() { return m_app.Frame(); }
    COvrinDoc& Doc() { return m_app.Doc(); }
    COvrinView& View() { return *Frame().ActiveView(); }

    void Fill(const std::vector<Entry>& entries)
    {
        Doc().OnNewDocument();
        SetEntries(Doc(), entries);
        Doc().SetModifiedFlag(false);
        Frame().UpdateAllViews();
        Repaint();
    }
    void Repaint()
    {
        for (int i = 0; i < 4; ++i) {  // a scroll to a hit paints once more
            View().viewport()->repaint();
            QCoreApplication::processEvents();
        }
    }
    QImage Shot() { return View().viewport()->grab().toImage(); }
    CFindDlg* FindWindow() { return m_app.App().Host().FindWindow(); }
    template <typename T>
    T* Control(const char* name) { return FindWindow()->findChild<T*>(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_app.Started());
        m_app.Resize(800, 600);
    }

    // The status pane names the position, and only the current block of the
    // key list carries the marker. A double click there selects the block
    // under the mouse (x ignored, the bottom line belongs to the next block);
    // below the last block it does nothing.
    void statusMarkerAndDoubleClickInKeyList()
    {
        Fill({{"alpha", "a"}, {"beta", "b"}, {"gamma", "c"}});
        QCOMPARE(Frame().MessageText(), QStringLiteral("First entry"));
        Frame().ExecuteCommand(ID_ENTRY_NEXT);
        Repaint();

        Frame().ExecuteCommand(ID_VIEW_KEYWORDS);
        Repaint();
        const int L = View().LineHeight();
        const QImage image = Shot();
        for (int block = 0; block < 3; ++block)
            QCOMPARE(InkIn(image, QRect(0, block * L, 10, L - 1)), block == 1);

        QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, QPoint(700, 2 * L));
        QCOMPARE(Doc().m_nCurrent, 2);
        QVERIFY(!Doc().m_bKeyList);

        Frame().ExecuteCommand(ID_VIEW_KEYWORDS);
        Repaint();
        QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, QPoint(20, 3 * L + 5));
        QCOMPARE(Doc().m_nCurrent, 2);
        QVERIFY(Doc().m_bKeyList);
        Frame().ExecuteCommand(ID_VIEW_DESCRIPTION);
    }

    // Typing into the real dialog and pressing Next moves to the hit, and
    // the view scrolls to the hit line and marks it. (Which
    // positions are hits, and the hint at the end, are the search's own.)
    void findNextAndBackInTheDialog()
    {
        // Past the first lines the view indexes, and with lines that wrap.
        std::string far;
        for (int i = 0; i < 1000; ++i)
            far += "line " + std::to_string(i) + (i % 7 ? "\r\n" : std::string(300, 'w') + "\r\n");
        const std::string description = far + "a Needle in line 1000\r\n" + far;
        Fill({{"start", "nothing here"}, {"middle", description}, {"end", "x"}});
        Frame().ExecuteCommand(ID_ENTRY_FIND);
        QVERIFY(FindWindow());

        QTest::keyClicks(Control<QLineEdit>("IDC_SEARCH_STRING"), QStringLiteral("needle"));
        QTest::mouseClick(Control<QCheckBox>("IDC_IN_DESCRIPTIONS"), Qt::LeftButton);
        QTest::keyClick(Control<QLineEdit>("IDC_SEARCH_STRING"), Qt::Key_Return);  // Next
        QCOMPARE(Doc().m_nCurrent, 1);
        QCOMPARE(Doc().m_nFindPos, static_cast<int>(far.size()) + 2);
        Repaint();
        // The hit line is in view, three quarters of a window below its top,
        // and carries the marker.
        const int L = View().LineHeight();
        const int y = Doc().m_nHitTop - View().verticalScrollBar()->value();
        QVERIFY(y > 0 && y + L <= View().viewport()->height());
        QVERIFY(InkIn(Shot(), QRect(0, y, 10, L - 1)));
        QVERIFY(!InkIn(Shot(), QRect(0, y - L, 10, L - 1)));
        // The view counts lines by the font's fixed pitch, which must agree
        // with Qt's measure; its scroll range is the height that measuring
        // every line with Qt gives.
        const QFontMetrics qt(ViewFont());
        TextMetrics measured = ScreenMetrics(qt, FontKey(ViewFont()));
        QVERIFY(measured.fixedPitch.Active());
        for (const std::string& run : {std::string("a Needle in line 1000"), std::string(300, 'w')})
            QCOMPARE(measured.fixedPitch.RunWidth(run.size()), qt.horizontalAdvance(RunToQString(run)));
        measured.fixedPitch = FixedPitch{};
        const ViewColumns columns = ColumnsFor(Doc().m_bDinA4, View().width());
        CWrapIndex lines;
        lines.Update(description, columns.right - 15, measured, "measured");
        QCOMPARE(View().verticalScrollBar()->maximum(),
                 LayOutDescription("middle", description, lines, -1, columns, measured).contentHeight -
                     View().viewport()->height());

        // Close ends the marking and the next Find starts empty.
        QTest::mouseClick(Control<QPushButton>("IDCANCEL"), Qt::LeftButton);
        QCOMPARE(Doc().m_nFindEntry, -1);
        QTRY_VERIFY(!FindWindow());
        Frame().ExecuteCommand(ID_ENTRY_FIND);
        QVERIFY(Control<QLineEdit>("IDC_SEARCH_STRING")->text().isEmpty());
        FindWindow()->reject();
    }

    // Any character can be typed into the dialog and is found, case ignored.
    void findAnyCharacterInTheDialog()
    {
        Fill({{"a", "x"}, {TextFromUtf16(u"\u0141\u00F3d\u017A"), "x"}});
        Frame().ExecuteCommand(ID_ENTRY_FIND);
        // Typed through an input method, as such letters are.
        Control<QLineEdit>("IDC_SEARCH_STRING")->insert(QString::fromUtf16(u"\u0142\u00D3D"));
        QTest::keyClick(Control<QLineEdit>("IDC_SEARCH_STRING"), Qt::Key_Return);  // Next
        QCOMPARE(Doc().m_nCurrent, 1);
        FindWindow()->reject();
    }
};

OVRIN_WIDGET_TEST_MAIN(ViewFindTest)
#include "view_find_test.moc"

// SPDX-License-Identifier: MIT
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <string>

#include "doc/document_host.h"
#include "doc/ovrin_doc.h"
#include "view/layout/page_layout.h"
#include "view/print_commands.h"

namespace {

class QuietHost final : public DocumentHost {
public:
    bool RunEditDialog(std::string&, std::string&) override { return false; }
    bool ShowHint(const std::string&) override { return false; }
    void UpdateAllViews() override {}
    int GetProfileInt(const std::string&, const std::string&, int fallback) override { return fallback; }
    void WriteProfileInt(const std::string&, const std::string&, int) override {}
    CalendarDate Today() override { return {}; }
    bool IsFindWindowOpen() override { return false; }
    void ShowFindWindow() override {}
};

// The text of each page of a PDF, read back with pdftotext (pages split at
// form feeds).
QStringList PdfPages(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

}  // namespace

class PrintPdfTest final : public QObject {
    Q_OBJECT

private slots:
    // Direct printing goes to a PDF only where no printer is installed.
    void init()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("needs a machine without an installed printer: direct printing would use it");
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
            QByteArray(QTest::currentTestFunction()) != "unwritablePdfFails")
            QSKIP("needs pdftotext (Debian package poppler-utils) to read the pages back");
    }

    // Guards the whole printing path: every page must repeat the heading
    // frames' text and carry its own piece of the body, no line twice, none
    // lost, and the PDF must land beside the document.
    void entryPagesCarryHeadingAndBody()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QuietHost host;
        COvrinDoc doc(host);
        std::string body;
        for (int i = 1; i <= 150; ++i)
            body += "line " + std::to_string(i) + "\r\n";
        doc.m_arrKeyWords = std::vector<std::string>{"Garden tools"};
        doc.m_arrDescriptions = std::vector<std::string>{body};
        doc.m_arrDates = std::vector<std::string>{"24.12.2025"};
        doc.m_nCount = 1;
        doc.m_nCurrent = 0;
        CPageLayout pages;
        const QString file = dir.filePath(QStringLiteral("notes.ovr"));
        QCOMPARE(PrintDirect(doc, pages, QString(), file), 0);

        const QStringList text = PdfPages(dir.filePath(QStringLiteral("notes.pdf")));
        QCOMPARE(text.size(), pages.m_nPages);
        QVERIFY(text.size() >= 2);
        int seen = 0;
        for (const QString& page : text) {
            QVERIFY(page.contains(QStringLiteral("Garden tools")));
            QVERIFY(page.contains(QStringLiteral("24.12.2025")));
            for (int i = 1; i <= 150; ++i) {
                const QRegularExpression re(QStringLiteral("\\bline %1\\b").arg(i));
                if (page.contains(re))
                    ++seen;
            }
        }
        QCOMPARE(seen, 150);
        QCOMPARE(doc.m_nPrintEntry, -1);
    }

    // Guards the key list and the empty document: the key list prints its
    // title and every key word, the empty document its welcome frame.
    void keyListAndEmptyDocument()
    {
        QTemporaryDir dir;
        QuietHost host;
        COvrinDoc doc(host);
        doc.m_arrKeyWords = std::vector<std::string>{"apple", "pear", "plum"};
        doc.m_arrDescriptions = std::vector<std::string>{"a", "b", "c"};
        doc.m_arrDates = std::vector<std::string>{"1.1.2000", "1.1.2000", "1.1.2000"};
        doc.m_nCount = 3;
        doc.m_nCurrent = 1;
        doc.m_bKeyList = true;
        CPageLayout pages;
        QCOMPARE(PrintDirect(doc, pages, QString(), dir.filePath(QStringLiteral("k.ovr"))), 0);
        QStringList text = PdfPages(dir.filePath(QStringLiteral("k.pdf")));
        QCOMPARE(text.size(), 1);
        for (const char* word : {"Key List:", "apple", "pear", "plum"})
            QVERIFY2(text[0].contains(QLatin1String(word)), word);

        COvrinDoc empty(host);
        CPageLayout emptyPages;
        QCOMPARE(PrintDirect(empty, emptyPages, QString(), dir.filePath(QStringLiteral("e.ovr"))), 0);
        text = PdfPages(dir.filePath(QStringLiteral("e.pdf")));
        QCOMPARE(text.size(), 1);
        QVERIFY(!text[0].trimmed().isEmpty());
    }

    // Guards against a failed write reported as success.
    void unwritablePdfFails()
    {
        QuietHost host;
        COvrinDoc doc(host);
        CPageLayout pages;
        QVERIFY(PrintDirect(doc, pages, QString(),
                            QStringLiteral("/nonexistent-dir/for/print/x.ovr")) != 0);
    }
};

QTEST_MAIN(PrintPdfTest)
#include "print_pdf_test.moc"

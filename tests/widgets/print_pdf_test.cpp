// SPDX-License-Identifier: MIT
// Direct printing to a PDF beside the document, read back with pdftotext.
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "app_fixture.h"
#include "cli/cli_host.h"
#include "view/layout/page_layout.h"
#include "view/print_commands.h"

namespace {

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

// Fills doc with entries of the given key words and descriptions.
void Fill(COvrinDoc& doc, const std::vector<std::string>& keyWords,
          const std::vector<std::string>& descriptions, const std::string& date)
{
    doc.m_arrKeyWords = keyWords;
    doc.m_arrDescriptions = descriptions;
    doc.m_arrDates = std::vector<std::string>(keyWords.size(), date);
    doc.m_nCount = static_cast<int>(keyWords.size());
    doc.m_nCurrent = 0;
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
        CCliHost host;  // asks nothing, stores nothing
        COvrinDoc doc(host);
        std::string body;
        for (int i = 1; i <= 150; ++i)
            body += "line " + std::to_string(i) + "\r\n";
        Fill(doc, {"Garden tools"}, {body}, "24.12.2025");
        CPageLayout pages;
        QCOMPARE(PrintDirect(doc, pages, QString(), dir.filePath(QStringLiteral("notes.ovr"))), 0);

        const QStringList text = PdfPages(dir.filePath(QStringLiteral("notes.pdf")));
        QCOMPARE(text.size(), pages.m_nPages);
        QVERIFY(text.size() >= 2);
        int seen = 0;
        for (const QString& page : text) {
            QVERIFY(page.contains(QStringLiteral("Garden tools")));
            QVERIFY(page.contains(QStringLiteral("24.12.2025")));
            for (int i = 1; i <= 150; ++i)
                seen += page.contains(QRegularExpression(QStringLiteral("\\bline %1\\b").arg(i)));
        }
        QCOMPARE(seen, 150);
        QCOMPARE(doc.m_nPrintEntry, -1);
    }

    // Guards the key list and the empty document: the key list prints its
    // title and every key word, the empty document its welcome frame.
    void keyListAndEmptyDocument()
    {
        QTemporaryDir dir;
        CCliHost host;  // asks nothing, stores nothing
        COvrinDoc doc(host);
        Fill(doc, {"apple", "pear", "plum"}, {"a", "b", "c"}, "1.1.2000");
        doc.m_bKeyList = true;
        COvrinDoc empty(host);
        for (COvrinDoc* d : {&doc, &empty}) {
            const QString stem = dir.filePath(d == &doc ? QStringLiteral("keys") : QStringLiteral("empty"));
            CPageLayout pages;
            QCOMPARE(PrintDirect(*d, pages, QString(), stem + QStringLiteral(".ovr")), 0);
            const QStringList text = PdfPages(stem + QStringLiteral(".pdf"));
            QCOMPARE(text.size(), 1);
            QVERIFY(!text[0].trimmed().isEmpty());
            if (d == &doc)
                for (const char* word : {"Key List:", "apple", "pear", "plum"})
                    QVERIFY2(text[0].contains(QLatin1String(word)), word);
        }
    }

    // Guards against a failed write reported as success.
    void unwritablePdfFails()
    {
        CCliHost host;  // asks nothing, stores nothing
        COvrinDoc doc(host);
        CPageLayout pages;
        QVERIFY(PrintDirect(doc, pages, QString(),
                            QStringLiteral("/nonexistent-dir/for/print/x.ovr")) != 0);
    }
};

QTEST_MAIN(PrintPdfTest)
#include "print_pdf_test.moc"

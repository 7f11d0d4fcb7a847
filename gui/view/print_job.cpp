// SPDX-License-Identifier: MIT
#include "gui/view/print_job.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

#include "core/document/ovrin_doc.h"
#include "core/layout/description_layout.h"
#include "core/layout/page_layout.h"
#include "core/layout/shown_entry.h"
#include "core/layout/text_wrap.h"
#include "gui/view/screen_font.h"

namespace {

constexpr double kTwipsPerInch = 1440.0;

// The printer font: a fixed-pitch face 200 twips high. The font's pixel size
// is given in twips, so its metrics are twips too once the painter is scaled
// from twips to device pixels.
QFont PrintFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(200);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// The printer font's metrics in twips, as the layout measures with them.
class PrintMetrics {
public:
    explicit PrintMetrics(const QFont& font) : m_metrics(font)
    {
        m_text.width = [this](std::string_view s) {
            return static_cast<int>(std::lround(m_metrics.horizontalAdvance(RunToQString(s))));
        };
        m_text.lineHeight = LineHeight();
        m_text.avgCharWidth = std::max(1, static_cast<int>(std::lround(m_metrics.averageCharWidth())));
        m_text.fixedPitch = DetectFixedPitch(m_text.width);
        m_text.advances = std::make_shared<CharacterAdvances>();
    }
    PrintMetrics(const PrintMetrics&) = delete;
    PrintMetrics& operator=(const PrintMetrics&) = delete;

    // tmHeight + tmExternalLeading of the printer font.
    int LineHeight() const
    {
        return std::max(1, static_cast<int>(std::lround(m_metrics.height() + m_metrics.leading())));
    }
    const TextMetrics& Metrics() const { return m_text; }

protected:
    QFontMetricsF m_metrics;
    TextMetrics m_text;
};

// Twips per device pixel of the printer, and its printable area in twips.
double TwipScale(const QPrinter& printer) { return printer.resolution() / kTwipsPerInch; }

PageRect PrintableArea(const QPrinter& printer)
{
    const double scale = TwipScale(printer);
    const QRectF area = printer.pageRect(QPrinter::DevicePixel);
    return PageRect{0, 0, static_cast<int>(area.width() / scale),
                    -static_cast<int>(area.height() / scale)};
}

// Whether a run may hold a character that a colour font draws: emoji and
// other pictographs lie above U+2000, most beyond U+FFFF.
bool MayHoldColourGlyphs(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() >= 0x2000; });
}

// Whether the font draws its glyphs as colour bitmaps or layers, which a PDF
// cannot take as a font; known by its tables (the bitmaps' index rather
// than the bitmaps, which are megabytes).
bool IsColourFont(const QRawFont& font)
{
    static QHash<QString, bool> known;
    const QString name = font.familyName() + QLatin1Char('/') + font.styleName();
    const auto it = known.constFind(name);
    if (it != known.constEnd())
        return *it;
    const bool colour = !font.fontTable("CBLC").isEmpty() || !font.fontTable("COLR").isEmpty() ||
                        !font.fontTable("sbix").isEmpty();
    known.insert(name, colour);
    return colour;
}

// Draws pages in twips with y upward (0 at the top of the printable area,
// negative below) on a painter scaled from twips to device pixels.
class PagePainter final : public PrintMetrics {
public:
    PagePainter(QPainter& painter, const QFont& font)
        : PrintMetrics(font), m_painter(painter), m_font(font),
          m_bColourAsImages(painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Pdf)
    {
        m_painter.setFont(font);
    }

    void Frame(int left, int top, int right, int bottom)
    {
        m_painter.drawRect(QRectF(left, -top, right - left, top - bottom));
    }

    // Word-wrapped text from (left, top) within width right - left; centred
    // lines when centre is set. Nothing shows below bottom or beside the
    // rectangle: a field longer than its frame is cut off, as on screen.
    void Text(std::string_view text, int left, int top, int right, bool centre = false,
              int bottom = INT_MIN)
    {
        const int width = right - left;
        m_painter.save();
        if (bottom != INT_MIN)
            m_painter.setClipRect(QRectF(left, -top, width, top - bottom));
        int y = top;
        ForEachWrappedLine(text, width, m_text, [&](const WrappedLine& line) {
            if (y <= bottom)
                return false;
            int x = left;
            if (centre)
                x += (width - LineWidth(text, line, m_text)) / 2;
            for (const TextRun& run : LineRuns(text, line, m_text))
                DrawRun(QPointF(x + run.x, -y + m_metrics.ascent()), TextRunToQString(text, run));
            y -= m_text.lineHeight;
            return true;
        });
        m_painter.restore();
    }

private:
    // A run whose baseline starts at `at`. A PDF takes colour glyphs (emoji)
    // only as pictures: they are drawn into an image at the printer's
    // resolution, the rest of the run as text.
    void DrawRun(QPointF at, const QString& run)
    {
        if (!m_bColourAsImages || !MayHoldColourGlyphs(run)) {
            m_painter.drawText(at, run);
            return;
        }
        QTextLayout layout(run, m_font);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        // Glyph positions are measured from the line's top; its baseline
        // lies at its ascent.
        const QPointF origin = at - QPointF(0, line.ascent());
        for (const QGlyphRun& glyphs : layout.glyphRuns()) {
            if (IsColourFont(glyphs.rawFont()))
                DrawAsImage(origin, glyphs);
            else
                m_painter.drawGlyphRun(origin, glyphs);
        }
    }

    void DrawAsImage(QPointF origin, const QGlyphRun& glyphs)
    {
        // The glyphs' own boxes: the run's box reaches back to the line's start.
        QRectF area;
        const QList<quint32> indexes = glyphs.glyphIndexes();
        const QList<QPointF> positions = glyphs.positions();
        for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i)
            area |= glyphs.rawFont().boundingRect(indexes[i]).translated(positions[i]);
        const double scale = m_painter.worldTransform().m11();
        const QSize size(static_cast<int>(std::ceil(area.width() * scale)),
                         static_cast<int>(std::ceil(area.height() * scale)));
        if (size.isEmpty())
            return;
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter onImage(&image);
        onImage.scale(scale, scale);
        onImage.drawGlyphRun(-area.topLeft(), glyphs);
        onImage.end();
        m_painter.drawImage(area.translated(origin), image);
    }

    QPainter& m_painter;
    QFont m_font;
    bool m_bColourAsImages;
};

// The key list closes each key word with a line feed and a carriage return;
// on paper that pair is one line break, not two.
std::string OneBreakPerKey(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i > 0 && text[i - 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

// One page: the framed heading, then the page's piece of the body.
void PrintPage(PagePainter& out, const COvrinDoc& doc, const CPageLayout& pages, int nPage)
{
    if (pages.m_bHeadingTooLong)
        return;  // no body line fits: the page stays blank
    const int h = pages.m_nPrintLineHeight;
    const PageColumns c = ColumnsOf(pages.m_rectPage);

    if (ShownBy(doc) == ViewShows::Welcome) {
        out.Frame(c.frameLeft, -h, c.bodyRight, -8 * h);
        out.Text(g_strWelcomeText, c.textLeft, -2 * h, c.bodyRight, false, -6 * h);
        return;
    }

    int bodyTop = 0;
    if (!doc.ShowsKeyList()) {
        const auto i = static_cast<std::size_t>(ShownEntry(doc));
        const std::string_view keys = doc.KeyWords()[i];
        const int keysHeight = MeasureTextHeight(keys, c.headingRight - c.textLeft, out.Metrics());
        const int keysBottom = -2 * h - keysHeight;
        const int frameBottom = keysBottom - h;
        out.Frame(c.frameLeft, -h, c.xSplit, frameBottom);
        out.Text(keys, c.textLeft, -2 * h, c.headingRight, false, keysBottom);
        out.Frame(c.xSplit, -h, c.xRight, frameBottom);
        // The frames are as high as the key words: a longer date is cut off.
        out.Text(doc.Dates()[i], c.xSplit + 100, -2 * h, c.xRight, true, keysBottom);
        bodyTop = frameBottom - 2 * h;
    } else {
        out.Frame(c.frameLeft, -h, c.xRight, -4 * h);
        out.Text("Key List:", c.textLeft, -2 * h, c.bodyRight, false, -3 * h);
        bodyTop = -7 * h;
    }

    const std::string_view body = pages.PageText(nPage);
    if (body.empty())
        return;
    out.Text(doc.ShowsKeyList() ? OneBreakPerKey(body) : std::string(body), c.textLeft, bodyTop,
             c.bodyRight);
}

}  // namespace

QPrinter& ProcessPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

bool RunPrintJob(QPrinter& printer, const COvrinDoc& doc, CPageLayout& pages, int fromPage, int toPage)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;

    // Twips to device pixels; the origin is the top left of the printable area.
    const double scale = TwipScale(printer);
    painter.scale(scale, scale);
    // The printer's default pen: one device pixel wide, whatever the scale.
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);

    // Begin printing: the printer font and its line height.
    PagePainter out(painter, PrintFont());
    pages.m_nPrintLineHeight = out.LineHeight();

    const PageRect rectDraw = PrintableArea(printer);

    fromPage = std::max(fromPage, 1);
    for (int nPage = fromPage;; ++nPage) {
        pages.m_rectPage = rectDraw;
        // The first page of the job lays out with the printer's metrics.
        if (nPage == fromPage)
            pages.LayoutPages(doc, &out.Metrics());
        const int last = toPage > 0 ? std::min(toPage, pages.m_nPages) : pages.m_nPages;
        if (nPage > last)
            break;  // beyond the last page of the layout: the job ends
        if (nPage > fromPage)
            printer.newPage();
        PrintPage(out, doc, pages, nPage);
    }

    return painter.end();
}

int LayOutForPrinter(const QPrinter& printer, const COvrinDoc& doc, CPageLayout& pages)
{
    const PrintMetrics metrics(PrintFont());
    pages.m_nPrintLineHeight = metrics.LineHeight();
    pages.m_rectPage = PrintableArea(printer);
    pages.LayoutPages(doc, &metrics.Metrics());
    return std::max(1, pages.m_nPages);
}

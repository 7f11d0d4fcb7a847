// SPDX-License-Identifier: MIT
#include "gui/view/ovrin_view.h"

#include <algorithm>
#include <memory>
#include <utility>

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "core/document/cmd_ui.h"
#include "core/document/ovrin_doc.h"
#include "core/document/table_change.h"
#include "gui/res/command_actions.h"
#include "gui/view/screen_font.h"
#include "gui/view/view_accessibility.h"
#include "gui/view/wrapped_text.h"

COvrinView::COvrinView(COvrinDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_font(ViewFont())
{
    setObjectName(QStringLiteral("COvrinView"));
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(palette);
    setFocusPolicy(Qt::StrongFocus);
    m_nLineHeight = QFontMetrics(m_font).lineSpacing();
    new CViewAccessibility(*this);
}

void COvrinView::OnInitialUpdate()
{
    horizontalScrollBar()->setRange(0, std::max(0, 1000 - viewport()->width()));
    horizontalScrollBar()->setPageStep(500);
    horizontalScrollBar()->setSingleStep(10);
    verticalScrollBar()->setRange(0, std::max(0, 800 - viewport()->height()));
    verticalScrollBar()->setPageStep(400);
    verticalScrollBar()->setSingleStep(8);
    viewport()->update();
    CViewAccessibility::Notify(*this);
}

void COvrinView::TableChanged(const TableChange& change)
{
    m_keyList.TableChanged(change);
    if (!change.keptDescription)
        m_descriptionLines.Forget();
    ++m_nTableChangesHeard;
}

void COvrinView::ApplyScrollSizes(const ViewDrawing& drawing)
{
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, drawing.contentWidth - viewport()->width()));
    h->setPageStep(std::max(1, drawing.pageWidth));
    h->setSingleStep(std::max(1, drawing.lineWidth));
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, drawing.contentHeight - viewport()->height()));
    v->setPageStep(std::max(1, drawing.pageHeight));
    v->setSingleStep(std::max(1, drawing.lineHeight));
}

void COvrinView::paintEvent(QPaintEvent*)
{
    const QFontMetrics fontMetrics(m_font);
    ViewGeometry geometry;
    geometry.windowWidth = width();
    geometry.windowHeight = height();
    geometry.scrollY = verticalScrollBar()->value();
    geometry.shownHeight = viewport()->height();
    geometry.fontKey = FontKey(m_font);
    geometry.metrics = ScreenMetrics(fontMetrics, geometry.fontKey);
    m_nLineHeight = geometry.metrics.lineHeight;
    // A position taken over from another pane counts as this pane's own last
    // scroll to the hit, so the limit on scrolls in a row holds across both.
    const bool following = std::exchange(m_bFollowing, false);
    if (following)
        m_hitScroll.ScrolledTo(geometry.scrollY);

    const ViewDrawing drawing = DrawView(m_doc, geometry, m_keyList, m_descriptionLines, m_hitScroll);
    ApplyScrollSizes(drawing);
    if (!drawing.status.empty())
        emit statusTextChanged(QString::fromStdString(drawing.status));
    if (drawing.scrollTo && !following) {
        // The scroll repaints the window; this drawing would be stale.
        verticalScrollBar()->setValue(*drawing.scrollTo);
        m_hitScroll.ScrolledTo(verticalScrollBar()->value());
        if (verticalScrollBar()->value() != geometry.scrollY)
            return;
    }
    Paint(drawing, geometry.metrics);
}

void COvrinView::Paint(const ViewDrawing& drawing, const TextMetrics& metrics)
{
    QPainter painter(viewport());
    painter.setFont(m_font);
    const int scrollX = horizontalScrollBar()->value();
    const int scrollY = verticalScrollBar()->value();
    painter.translate(-scrollX, -scrollY);
    const int visibleTop = scrollY;
    const int visibleBottom = scrollY + viewport()->height();
    const int ascent = painter.fontMetrics().ascent();

    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    // A one-pixel outline covers width + 1 pixels; the frame ends one pixel
    // before its right and bottom edges, which lie outside it.
    for (const ViewRect& r : drawing.frames)
        painter.drawRect(QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1));

    for (const PlacedText& placed : drawing.texts) {
        const int bottom = std::min(visibleBottom, placed.bottom);
        painter.setClipRect(QRect(QPoint(placed.left, std::max(placed.top, visibleTop)),
                                  QPoint(placed.right - 1, bottom - 1)));
        DrawWrappedText(painter, placed.text, placed.from, placed.left, placed.top, placed.right, placed.centred,
                        metrics, ascent, visibleTop, bottom);
    }
    painter.setClipping(false);
    for (int y : drawing.markers)
        painter.drawText(0, y + ascent, QStringLiteral(">"));
}

void COvrinView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!m_doc.ShowsKeyList() || event->button() != Qt::LeftButton)
        return;
    // The blocks of the last drawing of this pane, so the hit agrees with
    // what it shows; x plays no part. Below the last block nothing is hit.
    const int y = event->position().toPoint().y() + verticalScrollBar()->value();
    const int i = m_keyList.BlockAt(y);
    if (i < 0 || i >= m_doc.Count())
        return;
    m_doc.ShowEntryFromKeyList(i);
    OnInitialUpdate();
}

void COvrinView::contextMenuEvent(QContextMenuEvent* event)
{
    const auto state = [this](int id) {
        CCmdUI ui;
        m_doc.OnUpdateCommand(id, ui);  // commands without a rule stay enabled
        return ui;
    };
    const auto dispatch = [this](int id) {
        if (m_dispatch)
            m_dispatch(id);
    };
    const std::unique_ptr<QMenu> menu(BuildContextMenu(this, state, dispatch));
    menu->exec(event->globalPos());
}

void COvrinView::keyPressEvent(QKeyEvent* event)
{
    // Home and End, with or without Ctrl, go to the top and the bottom of
    // what the pane shows; the arrows and page keys are the scroll area's.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool home = event->key() == Qt::Key_Home;
    if ((home || event->key() == Qt::Key_End) &&
        (mods == Qt::NoModifier || mods == Qt::ControlModifier)) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(home ? bar->minimum() : bar->maximum());
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

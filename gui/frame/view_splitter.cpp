// SPDX-License-Identifier: MIT
#include "gui/frame/view_splitter.h"

#include <algorithm>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr const char* kBoxName = "splitBox";
constexpr int kHandleWidth = 5;

bool IsBox(const QWidget* w) { return w && w->objectName() == QLatin1String(kBoxName); }

int BoxIndex(const QSplitter* s)
{
    for (int i = 0; i < s->count(); ++i)
        if (IsBox(s->widget(i)))
            return i;
    return -1;
}

void SetUpSplitter(QSplitter* s)
{
    s->setChildrenCollapsible(true);
    s->setHandleWidth(kHandleWidth);
    s->setOpaqueResize(true);
}

// Puts the split box at the edge with no room, the other widget taking all.
void CollapseBox(QSplitter* s)
{
    const int box = BoxIndex(s);
    if (box < 0 || s->count() != 2)
        return;
    const int total = std::max(1, (s->orientation() == Qt::Vertical ? s->height() : s->width()));
    QList<int> sizes{0, 0};
    sizes[1 - box] = total;
    s->setSizes(sizes);
}

}  // namespace

CViewSplitter::CViewSplitter(PaneFactory factory, QWidget* parent)
    : QWidget(parent), m_factory(std::move(factory))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_outer = new QSplitter(Qt::Vertical, this);
    SetUpSplitter(m_outer);
    layout->addWidget(m_outer);

    m_outer->addWidget(NewBox());
    auto* row = NewRow(nullptr);
    m_outer->addWidget(row);
    m_outer->setStretchFactor(1, 1);
    CollapseBox(m_outer);
    connect(m_outer, &QSplitter::splitterMoved, this, &CViewSplitter::OnRowsMoved,
            Qt::QueuedConnection);
    connect(qApp, &QApplication::focusChanged, this, &CViewSplitter::OnFocusChanged);
    Rewire();
}

QWidget* CViewSplitter::NewBox()
{
    auto* box = new QWidget;
    box->setObjectName(QLatin1String(kBoxName));
    box->setMinimumSize(0, 0);
    return box;
}

// A pane that replaces a split box must come without a parent: the splitter
// refuses to put one of its own children in the box's place.
QAbstractScrollArea* CViewSplitter::NewPane(QWidget* parent)
{
    QAbstractScrollArea* pane = m_factory(parent);
    pane->setMinimumSize(kMinPaneSize, kMinPaneSize);
    if (!m_active)
        m_active = pane;
    emit paneCreated(pane);
    return pane;
}

QSplitter* CViewSplitter::NewRow(const QSplitter* like)
{
    auto* row = new QSplitter(Qt::Horizontal);
    SetUpSplitter(row);
    // Same columns as the row it joins; a first row has the box and one pane.
    const int box = like ? BoxIndex(like) : 0;
    const int places = like ? like->count() : 2;
    for (int i = 0; i < places; ++i)
        row->addWidget(i == box ? NewBox() : static_cast<QWidget*>(NewPane(row)));
    if (like)
        row->setSizes(like->sizes());
    connect(row, &QSplitter::splitterMoved, this, [this, row] { OnColumnsMoved(row); },
            Qt::QueuedConnection);
    if (!like)
        CollapseBox(row);
    return row;
}

std::vector<QSplitter*> CViewSplitter::Rows() const
{
    std::vector<QSplitter*> rows;
    for (int i = 0; i < m_outer->count(); ++i)
        if (auto* row = qobject_cast<QSplitter*>(m_outer->widget(i)))
            rows.push_back(row);
    return rows;
}

int CViewSplitter::rowCount() const { return static_cast<int>(Rows().size()); }

int CViewSplitter::columnCount() const
{
    const std::vector<QSplitter*> rows = Rows();
    if (rows.empty())
        return 0;
    return rows.front()->count() - (BoxIndex(rows.front()) >= 0 ? 1 : 0);
}

QSplitter* CViewSplitter::columnSplitter(int row) const
{
    const std::vector<QSplitter*> rows = Rows();
    return row >= 0 && row < static_cast<int>(rows.size()) ? rows[row] : nullptr;
}

QAbstractScrollArea* CViewSplitter::pane(int row, int column) const
{
    QSplitter* s = columnSplitter(row);
    if (!s)
        return nullptr;
    int c = 0;
    for (int i = 0; i < s->count(); ++i) {
        auto* p = qobject_cast<QAbstractScrollArea*>(s->widget(i));
        if (!p)
            continue;
        if (c++ == column)
            return p;
    }
    return nullptr;
}

std::vector<QAbstractScrollArea*> CViewSplitter::panes() const
{
    std::vector<QAbstractScrollArea*> all;
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            if (QAbstractScrollArea* p = pane(r, c))
                all.push_back(p);
    return all;
}

QAbstractScrollArea* CViewSplitter::activePane() const
{
    if (m_active)
        return m_active;
    return pane(0, 0);
}

void CViewSplitter::OnRowsMoved()
{
    const int box = BoxIndex(m_outer);
    const QList<int> sizes = m_outer->sizes();
    if (box >= 0) {
        if (sizes.value(box) > 0) {
            // The split box was dragged into the window: a new row takes its place.
            const std::vector<QSplitter*> rows = Rows();
            QSplitter* row = NewRow(rows.front());
            delete m_outer->replaceWidget(box, row);
            Rewire();
        }
        return;
    }
    for (int i = 0; i < sizes.size(); ++i) {
        if (sizes[i] == 0) {
            RemoveRow(i);
            return;
        }
    }
}

void CViewSplitter::RemoveRow(int index)
{
    QWidget* old = m_outer->replaceWidget(index, NewBox());
    if (old && old->isAncestorOf(m_active))
        m_active = nullptr;
    delete old;
    CollapseBox(m_outer);
    Rewire();
}

void CViewSplitter::OnColumnsMoved(QSplitter* dragged)
{
    const std::vector<QSplitter*> rows = Rows();
    if (std::find(rows.begin(), rows.end(), dragged) == rows.end())
        return;  // a row removed while the signal was queued
    const int box = BoxIndex(dragged);
    const QList<int> sizes = dragged->sizes();
    if (box >= 0 && sizes.value(box) > 0) {
        AddColumnAt(box, dragged);
        return;
    }
    if (box < 0) {
        for (int i = 0; i < sizes.size(); ++i) {
            if (sizes[i] == 0) {
                RemoveColumn(i);
                return;
            }
        }
    }
    // Column widths are the same in every row.
    for (QSplitter* row : rows)
        if (row != dragged)
            row->setSizes(sizes);
}

void CViewSplitter::AddColumnAt(int boxIndex, const QSplitter* dragged)
{
    const QList<int> sizes = dragged->sizes();
    for (QSplitter* row : Rows()) {
        delete row->replaceWidget(boxIndex, NewPane(nullptr));
        row->setSizes(sizes);
    }
    Rewire();
}

void CViewSplitter::RemoveColumn(int index)
{
    for (QSplitter* row : Rows()) {
        QWidget* old = row->replaceWidget(index, NewBox());
        if (old && (old == m_active || old->isAncestorOf(m_active)))
            m_active = nullptr;
        delete old;
        CollapseBox(row);
    }
    Rewire();
}

void CViewSplitter::SplitAll()
{
    if (BoxIndex(m_outer) >= 0) {
        const int box = BoxIndex(m_outer);
        delete m_outer->replaceWidget(box, NewRow(Rows().front()));
    }
    const std::vector<QSplitter*> rows = Rows();
    if (const int box = BoxIndex(rows.front()); box >= 0)
        for (QSplitter* row : rows)
            delete row->replaceWidget(box, NewPane(nullptr));
    const int h = std::max(2 * kMinPaneSize, m_outer->height());
    m_outer->setSizes({h / 2, h - h / 2});
    for (QSplitter* row : Rows()) {
        const int w = std::max(2 * kMinPaneSize, row->width() > 0 ? row->width() : width());
        row->setSizes({w / 2, w - w / 2});
    }
    Rewire();
}

void CViewSplitter::Rewire()
{
    for (const QMetaObject::Connection& c : m_scrollLinks)
        disconnect(c);
    m_scrollLinks.clear();

    const int rows = rowCount();
    const int columns = columnCount();
    // Each side follows the other; the follower is told first, so that it
    // does not pull the shared position back towards what it shows.
    auto follow = [this](QScrollBar* from, QAbstractScrollArea* pane, QScrollBar* to) {
        auto onChange = [this, pane, to](int v) {
            if (to->value() == v)
                return;
            emit scrollFollowed(pane);
            to->setValue(v);
        };
        m_scrollLinks.push_back(connect(from, &QScrollBar::valueChanged, to, onChange));
    };
    auto link = [&follow](QAbstractScrollArea* pa, QScrollBar* a, QAbstractScrollArea* pb,
                          QScrollBar* b) {
        b->setValue(a->value());
        follow(a, pb, b);
        follow(b, pa, a);
    };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            QAbstractScrollArea* p = pane(r, c);
            if (!p)
                continue;
            // The scroll bars of a row or column are shared: only the last
            // column and the bottom row show theirs.
            p->setVerticalScrollBarPolicy(c == columns - 1 ? Qt::ScrollBarAsNeeded
                                                           : Qt::ScrollBarAlwaysOff);
            p->setHorizontalScrollBarPolicy(r == rows - 1 ? Qt::ScrollBarAsNeeded
                                                          : Qt::ScrollBarAlwaysOff);
            if (c > 0)
                link(pane(r, 0), pane(r, 0)->verticalScrollBar(), p, p->verticalScrollBar());
            if (r > 0)
                link(pane(0, c), pane(0, c)->horizontalScrollBar(), p, p->horizontalScrollBar());
        }
    }
}

void CViewSplitter::ActivateNextPane(bool previous)
{
    const std::vector<QAbstractScrollArea*> all = panes();
    if (all.size() < 2)
        return;
    const auto it = std::find(all.begin(), all.end(), activePane());
    const int n = static_cast<int>(all.size());
    int i = it == all.end() ? 0 : static_cast<int>(it - all.begin());
    i = previous ? (i + n - 1) % n : (i + 1) % n;
    m_active = all[i];
    all[i]->setFocus(Qt::OtherFocusReason);
}

void CViewSplitter::OnFocusChanged(QWidget*, QWidget* now)
{
    for (QAbstractScrollArea* p : panes())
        if (now && (now == p || p->isAncestorOf(now)))
            m_active = p;
}

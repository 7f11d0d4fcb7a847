// SPDX-License-Identifier: MIT
#include "gui/view/view_accessible.h"

#include <algorithm>

#include <QScrollBar>
#include <QWidget>

#include "gui/dialogs/text_qt.h"
#include "core/document/ovrin_doc.h"
#include "core/layout/description_layout.h"
#include "gui/view/ovrin_view.h"
#include "gui/view/screen_font.h"

namespace {

QString KeyWordsOf(const COvrinDoc& doc, int i)
{
    return ToQStringWithPlainLineBreaks(doc.KeyWords()[static_cast<std::size_t>(i)]);
}

QAccessibleInterface* ViewFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String("COvrinView"))
        return nullptr;
    auto* view = qobject_cast<COvrinView*>(object);
    return view ? new CViewAccessible(view, view->Document()) : nullptr;
}

}  // namespace

QString EntryText(const COvrinDoc& doc)
{
    const int i = ShownEntry(doc);
    if (i < 0)
        return ToQStringWithPlainLineBreaks(g_strWelcomeText);
    const auto at = static_cast<std::size_t>(i);
    return ToQStringWithPlainLineBreaks(doc.KeyWords()[at]) + QLatin1Char('\n') +
           ToQStringWithPlainLineBreaks(doc.Dates()[at]) + QLatin1Char('\n') +
           ToQStringWithPlainLineBreaks(doc.Descriptions()[at]);
}

int FindHitOffset(const COvrinDoc& doc)
{
    const ShownHit hit = FindHitShown(doc);
    if (hit.where != ShownHit::Where::Description)
        return hit.where == ShownHit::Where::KeyWords ? 0 : -1;
    const auto at = static_cast<std::size_t>(ShownEntry(doc));
    // Counted as the text counts it, with every line break one character.
    const QString before = ToQStringWithPlainLineBreaks(doc.Descriptions()[at].substr(0, hit.pos));
    return static_cast<int>(ToQStringWithPlainLineBreaks(doc.KeyWords()[at]).size() + 1 +
                            ToQStringWithPlainLineBreaks(doc.Dates()[at]).size() + 1 + before.size());
}

void InstallViewAccessibleFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(ViewFactory);
        return true;
    }();
    (void)installed;
}

// --- the view ---------------------------------------------------------------

CViewAccessible::CViewAccessible(COvrinView* view, COvrinDoc& doc)
    : QAccessibleWidget(view, QAccessible::Client), m_doc(doc)
{
    // The children belong to this interface; the cache hands out their ids.
    m_pEntry = new CEntryAccessible(*this);
    m_entryId = QAccessible::registerAccessibleInterface(m_pEntry);
    m_pKeyList = new CKeyListAccessible(*this);
    m_keyListId = QAccessible::registerAccessibleInterface(m_pKeyList);
}

CViewAccessible::~CViewAccessible()
{
    QAccessible::deleteAccessibleInterface(m_keyListId);
    QAccessible::deleteAccessibleInterface(m_entryId);
}

COvrinView* CViewAccessible::View() const { return static_cast<COvrinView*>(widget()); }

QAccessibleInterface* CViewAccessible::Content() const
{
    if (ShownBy(m_doc) == ViewShows::KeyList)
        return m_pKeyList;
    return m_pEntry;
}

QString CViewAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Name || !widget()->accessibleName().isEmpty())
        return QAccessibleWidget::text(t);
    switch (ShownBy(m_doc)) {
    case ViewShows::Welcome: return QStringLiteral("Welcome");
    case ViewShows::Entry: return QStringLiteral("Description");
    case ViewShows::KeyList: return QStringLiteral("Key words");
    }
    return QString();
}

QAccessible::State CViewAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    return s;
}

int CViewAccessible::childCount() const { return 1; }

QAccessibleInterface* CViewAccessible::child(int index) const
{
    return index == 0 ? Content() : nullptr;
}

int CViewAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    return child && child == Content() ? 0 : -1;
}

QAccessibleInterface* CViewAccessible::childAt(int x, int y) const
{
    QAccessibleInterface* content = Content();
    return content->rect().contains(x, y) ? content : nullptr;
}

QAccessibleInterface* CViewAccessible::focusChild() const
{
    if (!widget()->hasFocus())
        return nullptr;
    QAccessibleInterface* content = Content();
    if (QAccessibleInterface* item = content->focusChild())
        return item;
    return content;
}

// --- shared by the parts ----------------------------------------------------

bool CViewPartAccessible::ViewHasFocus() const
{
    const COvrinView* view = m_view.View();
    return view && view->hasFocus();
}

QRect CViewPartAccessible::ViewportRect() const
{
    const COvrinView* view = m_view.View();
    if (!view)
        return QRect();
    const QWidget* viewport = view->viewport();
    return QRect(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
}

// --- the entry --------------------------------------------------------------

const QString& CEntryAccessible::Text() const
{
    const COvrinDoc& doc = Doc();
    const COvrinView* view = m_view.View();
    const Key key{view ? view->TableChangesHeard() : 0, doc.Count(), ShownEntry(doc)};
    if (!(key == m_key)) {
        m_key = key;
        m_strText = EntryText(doc);
    }
    return m_strText;
}

QString CEntryAccessible::text(QAccessible::Text t) const
{
    const COvrinDoc& doc = Doc();
    const int i = ShownEntry(doc);
    switch (t) {
    case QAccessible::Name:
        return i < 0 ? QStringLiteral("Welcome") : KeyWordsOf(doc, i);
    case QAccessible::Description:
        // The date, and where the entry stands in the table.
        return i < 0 ? QString()
                     : ToQString(doc.Dates()[static_cast<std::size_t>(i)]) + QStringLiteral(", ") +
                           QString::fromStdString(PositionText(i, doc.Count()));
    case QAccessible::Value:
        return Text();
    default:
        return QString();
    }
}

QAccessible::State CEntryAccessible::state() const
{
    QAccessible::State s;
    s.readOnly = true;
    s.multiLine = true;
    s.focusable = true;
    s.focused = ViewHasFocus();
    const COvrinView* view = m_view.View();
    s.invisible = !view || !view->isVisible();
    return s;
}

void* CEntryAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return nullptr;
}

int CEntryAccessible::cursorPosition() const
{
    return std::clamp(m_nCursor, 0, characterCount());
}

QString CEntryAccessible::text(int startOffset, int endOffset) const
{
    const QString& all = Text();
    const qsizetype start = std::clamp<qsizetype>(startOffset, 0, all.size());
    const qsizetype end = endOffset < 0 ? all.size() : std::clamp<qsizetype>(endOffset, start, all.size());
    return all.mid(start, end - start);
}

QString CEntryAccessible::attributes(int, int* startOffset, int* endOffset) const
{
    // One run without attributes: the whole text is drawn alike.
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

// --- the key list -----------------------------------------------------------

CKeyListAccessible::~CKeyListAccessible() { DropItemsFrom(0); }

QAccessibleInterface* CKeyListAccessible::Item(int i) const
{
    if (i < 0 || i >= Doc().Count())
        return nullptr;
    if (const auto found = m_items.constFind(i); found != m_items.constEnd())
        return QAccessible::accessibleInterface(*found);
    auto* item = new CKeyItemAccessible(const_cast<CKeyListAccessible&>(*this), i);
    m_items.insert(i, QAccessible::registerAccessibleInterface(item));
    return item;
}

void CKeyListAccessible::DropItemsFrom(int count)
{
    for (auto it = m_items.begin(); it != m_items.end();) {
        if (it.key() >= count) {
            QAccessible::deleteAccessibleInterface(it.value());
            it = m_items.erase(it);
        } else {
            ++it;
        }
    }
}

QRect CKeyListAccessible::ItemRect(int i) const
{
    const COvrinView* view = m_view.View();
    if (!view)
        return QRect();
    const std::vector<int>& bottoms = view->KeyList().Bottoms();
    if (i < 0 || static_cast<std::size_t>(i) >= bottoms.size())
        return QRect();
    const int top = view->KeyList().TopOf(i) - view->verticalScrollBar()->value();
    const int height = bottoms[static_cast<std::size_t>(i)] - view->KeyList().TopOf(i);
    const QWidget* viewport = view->viewport();
    return QRect(viewport->mapToGlobal(QPoint(0, top)), QSize(viewport->width(), height));
}

int CKeyListAccessible::childCount() const { return std::max(0, Doc().Count()); }

int CKeyListAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child || child->parent() != this)
        return -1;
    const int i = static_cast<const CKeyItemAccessible*>(child)->Index();
    return i < childCount() ? i : -1;
}

QAccessibleInterface* CKeyListAccessible::childAt(int x, int y) const
{
    const COvrinView* view = m_view.View();
    if (!view || !rect().contains(x, y))
        return nullptr;
    const QPoint local = view->viewport()->mapFromGlobal(QPoint(x, y));
    return Item(view->KeyList().BlockAt(local.y() + view->verticalScrollBar()->value()));
}

QAccessibleInterface* CKeyListAccessible::focusChild() const
{
    // The entry marked with ">"; a negative current entry marks none.
    const COvrinDoc& doc = Doc();
    return doc.Current() >= 0 ? Item(doc.Current()) : nullptr;
}

QString CKeyListAccessible::text(QAccessible::Text t) const
{
    return t == QAccessible::Name ? QStringLiteral("Key words") : QString();
}

QAccessible::State CKeyListAccessible::state() const
{
    QAccessible::State s;
    s.readOnly = true;
    s.focusable = true;
    s.focused = ViewHasFocus() && Doc().Current() < 0;
    const COvrinView* view = m_view.View();
    s.invisible = !view || !view->isVisible();
    return s;
}

// --- one key-list entry -----------------------------------------------------

bool CKeyItemAccessible::isValid() const
{
    return m_list.isValid() && m_nIndex < m_list.Doc().Count();
}

QString CKeyItemAccessible::text(QAccessible::Text t) const
{
    if (!isValid())
        return QString();
    const COvrinDoc& doc = m_list.Doc();
    if (t == QAccessible::Name)
        return KeyWordsOf(doc, m_nIndex);
    if (t == QAccessible::Description)
        return ToQString(doc.Dates()[static_cast<std::size_t>(m_nIndex)]);
    return QString();
}

QAccessible::State CKeyItemAccessible::state() const
{
    QAccessible::State s;
    s.readOnly = true;
    s.selectable = true;
    s.focusable = true;
    if (!isValid())
        return s;
    const bool current = m_nIndex == m_list.Doc().Current();
    s.selected = current;
    s.active = current;
    s.focused = current && m_list.ViewHasFocus();
    // Blocks outside the window are offscreen; one not laid out yet as well.
    const QRect r = rect();
    s.offscreen = r.isEmpty() || !m_list.rect().intersects(r);
    return s;
}

// SPDX-License-Identifier: MIT
#include "gui/frame/main_frame.h"

#include <algorithm>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include "core/document/command_ids.h"
#include "core/document/ovrin_doc.h"
#include "gui/frame/accelerator_filter.h"
#include "gui/frame/bar_state.h"
#include "gui/frame/view_splitter.h"
#include "gui/res/command_actions.h"
#include "gui/view/ovrin_view.h"
#include "gui/view/view_accessibility.h"

using namespace cmd;

namespace {

// The commands whose handlers the document has (its message map).
bool DocumentHandles(int id)
{
    switch (id) {
    case ID_ENTRY_ADD: case ID_ENTRY_EDIT: case ID_ENTRY_DELETE: case ID_ENTRY_UNDO:
    case ID_ENTRY_FIND: case ID_ENTRY_NEXT: case ID_ENTRY_BACK: case ID_ENTRY_FIRST:
    case ID_ENTRY_LAST: case ID_VIEW_DESCRIPTION: case ID_VIEW_KEYWORDS:
    case ID_FORMAT_DINA4: case ID_FORMAT_VARIABLE: case ID_OPTIONS_SAVE_IMMEDIATE:
    case ID_HELP_USAGE: case ID_HELP_HISTORY: case ID_HELP:
        return true;
    default:
        return false;
    }
}

const char* const kIndicatorTexts[3] = {"UF", "NUM", "RF"};

}  // namespace

CMainFrame::CMainFrame(COvrinDoc& doc, QWidget* parent) : CPersistentFrame(parent), m_doc(doc)
{
    setWindowIcon(QIcon(QStringLiteral(":/icons/ovrin.svg")));
    setAcceptDrops(true);

    m_pActions = new CCommandActions(this);
    m_pActions->BuildMainMenu(menuBar());
    InsertRecentFileItems();
    CreateBars();

    m_wndSplitter = new CViewSplitter([this](QWidget* p) { return CreatePane(p); }, this);
    setCentralWidget(m_wndSplitter);
    connect(m_wndSplitter, &CViewSplitter::scrollFollowed, this, [](QAbstractScrollArea* pane) {
        if (auto* view = qobject_cast<COvrinView*>(pane))
            view->FollowScroll();
    });

    connect(m_pActions, &CCommandActions::commandTriggered, this, &CMainFrame::ExecuteCommand);
    connect(m_pActions, &CCommandActions::aboutToShowMenu, this, &CMainFrame::OnMenuAboutToShow);
    auto* accelerators = new CAcceleratorFilter(
        this, [this](int id) { ExecuteCommand(id); },
        [this] {
            // The lock state changes with the key; read it once the event is done.
            if (m_bLockUpdatePending)
                return;
            m_bLockUpdatePending = true;
            QTimer::singleShot(0, this, &CMainFrame::UpdateLockIndicators);
        });
    qApp->installEventFilter(accelerators);

    AddTargets();
    // Whenever the program has handled what there was to do, every item
    // shows the state of the moment, whatever changed the document or the
    // views (a double click, a drop, a dialog, a timer).
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance())
        connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, &CMainFrame::RefreshCommandStates);
    SetDocumentTitle(QStringLiteral("Untitled"));
    ShowMessage(QString::fromLatin1(kIdleMessage));
    UpdateLockIndicators();
    RefreshCommandStates();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateBars()
{
    m_wndToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_wndToolBar->setProperty(kBarIdProperty, kToolBarId);
    m_wndToolBar->setIconSize(QSize(16, 20));
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_pActions->BuildToolBar(m_wndToolBar);
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar"));
    status->setProperty(kBarIdProperty, kStatusBarId);
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(status);
        pane->setObjectName(QStringLiteral("indicator%1").arg(i));
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        // Wide enough for its text also while it is blank.
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(
                                  QString::fromLatin1(kIndicatorTexts[i])) + 12);
        status->addPermanentWidget(pane);
        m_indicators[i] = pane;
    }
}

void CMainFrame::InsertRecentFileItems()
{
    // The menu table holds one "Recent File" item; the other three recent
    // files follow it, hidden until there are files to show.
    QAction* first = m_pActions->action(ID_FILE_MRU_FILE1);
    for (QObject* owner : first->associatedObjects()) {
        auto* menu = qobject_cast<QMenu*>(owner);
        if (!menu)
            continue;
        const QList<QAction*> items = menu->actions();
        const qsizetype at = items.indexOf(first);
        QAction* before = at + 1 < items.size() ? items[at + 1] : nullptr;
        for (int i = 1; i < kRecentFileCount; ++i) {
            QAction* a = m_pActions->action(ID_FILE_MRU_FILE1 + i);
            a->setVisible(false);
            menu->insertAction(before, a);
        }
    }
}

QAbstractScrollArea* CMainFrame::CreatePane(QWidget* parent)
{
    auto* view = new COvrinView(m_doc, parent);
    view->setCommandDispatcher([this](int id) { ExecuteCommand(id); });
    connect(view, &COvrinView::statusTextChanged, this, &CMainFrame::ShowPosition);
    view->OnInitialUpdate();
    return view;
}

void CMainFrame::AddTargets()
{
    // The active view: printing and the splitter's commands.
    m_router.AddTarget(CommandTarget{
        [](int id) {
            return id == ID_FILE_PRINT || id == ID_FILE_PRINT_PREVIEW ||
                   id == ID_FILE_PRINT_DIRECT || id == ID_WINDOW_SPLIT || id == ID_NEXT_PANE ||
                   id == ID_PREV_PANE;
        },
        [this](int id, CCmdUI& ui) {
            if (id == ID_NEXT_PANE || id == ID_PREV_PANE) {
                ui.Enable(m_wndSplitter->panes().size() > 1);
                return true;
            }
            if (id == ID_FILE_PRINT || id == ID_FILE_PRINT_PREVIEW || id == ID_FILE_PRINT_DIRECT) {
                ui.Enable(static_cast<bool>(m_printHandler));
                return true;
            }
            return false;
        },
        [this](int id) {
            switch (id) {
            case ID_WINDOW_SPLIT: m_wndSplitter->SplitAll(); return true;
            case ID_NEXT_PANE: m_wndSplitter->ActivateNextPane(false); return true;
            case ID_PREV_PANE: m_wndSplitter->ActivateNextPane(true); return true;
            default:
                if (COvrinView* view = ActiveView(); view && m_printHandler) {
                    m_printHandler(id, *view);
                    return true;
                }
                return false;
            }
        }});

    // The document: entry commands, view mode, format, option.
    m_router.AddTarget(CommandTarget{
        DocumentHandles,
        [this](int id, CCmdUI& ui) { return m_doc.OnUpdateCommand(id, ui); },
        [this](int id) { return m_doc.OnCommand(id); }});

    // The frame: its bars.
    m_router.AddTarget(CommandTarget{
        [](int id) { return id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR; },
        [this](int id, CCmdUI& ui) {
            if (id == ID_VIEW_TOOLBAR) {
                ui.SetCheck(m_wndToolBar->isHidden() ? 0 : 1);
                return true;
            }
            if (id == ID_VIEW_STATUS_BAR) {
                ui.SetCheck(statusBar()->isHidden() ? 0 : 1);
                return true;
            }
            return false;
        },
        [this](int id) {
            QWidget* bar = id == ID_VIEW_TOOLBAR ? static_cast<QWidget*>(m_wndToolBar)
                                                 : static_cast<QWidget*>(statusBar());
            bar->setVisible(bar->isHidden());
            return true;
        }});
}

COvrinView* CMainFrame::ActiveView() const
{
    return qobject_cast<COvrinView*>(m_wndSplitter->activePane());
}

std::vector<COvrinView*> CMainFrame::Views() const
{
    std::vector<COvrinView*> views;
    for (QAbstractScrollArea* pane : m_wndSplitter->panes())
        if (auto* view = qobject_cast<COvrinView*>(pane))
            views.push_back(view);
    return views;
}

void CMainFrame::ExecuteCommand(int id)
{
    m_noteShown.invalidate();
    if (m_beforeCommand)
        m_beforeCommand();
    m_router.Execute(id);
    RefreshCommandStates();
}

void CMainFrame::RefreshCommandStates()
{
    m_pActions->ApplyStates([this](int id) { return m_router.State(id); });
    // The title marks unsaved changes the way the desktop shows them. Only
    // a change is passed on: each call sets the window's title again, and on
    // X11 that is a round trip to the window manager at every idle moment.
    if (isWindowModified() != m_doc.IsModified())
        setWindowModified(m_doc.IsModified());
}

void CMainFrame::UpdateAllViews()
{
    for (COvrinView* view : Views()) {
        view->viewport()->update();
        CViewAccessibility::Notify(*view);
    }
    RefreshCommandStates();
}

void CMainFrame::InitialUpdateAllViews()
{
    for (COvrinView* view : Views())
        view->OnInitialUpdate();
    RefreshCommandStates();
}

void CMainFrame::FindHitChanged()
{
    for (COvrinView* view : Views())
        view->NewFindHit();
    UpdateAllViews();
}

void CMainFrame::TableChanged(const TableChange& change)
{
    for (COvrinView* view : Views())
        view->TableChanged(change);
}

void CMainFrame::SetDocumentTitle(const QString& title)
{
    // "[*]" is where Qt shows the mark of unsaved changes; one that the
    // name holds itself is doubled, which Qt shows as it is.
    QString shown = title;
    shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(shown + QStringLiteral("[*] - Ovrin"));
}

void CMainFrame::SetRecentFileTexts(const QStringList& texts)
{
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* a = m_pActions->action(ID_FILE_MRU_FILE1 + i);
        if (i < texts.size()) {
            a->setText(texts[i]);
            a->setVisible(true);
        } else if (i == 0) {
            a->setText(QStringLiteral("Recent File"));
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
    RefreshCommandStates();
}

QString CMainFrame::MessageText() const { return statusBar()->currentMessage(); }

QString CMainFrame::IndicatorText(int pane) const
{
    return pane >= 0 && pane < 3 ? m_indicators[pane]->text() : QString();
}

void CMainFrame::UpdateLockIndicators()
{
    m_bLockUpdatePending = false;
    const std::optional<LockState> state = m_readLockState ? m_readLockState() : std::nullopt;
    const bool on[3] = {state && state->capsLock, state && state->numLock,
                        state && state->scrollLock};
    for (int i = 0; i < 3; ++i)
        m_indicators[i]->setText(on[i] ? QString::fromLatin1(kIndicatorTexts[i]) : QString());
}

void CMainFrame::OnMenuAboutToShow(QMenu* menu)
{
    RefreshCommandStates();
    // Once the menu closes the message pane goes back to its idle text.
    connect(menu, &QMenu::aboutToHide, this,
            [this] { ShowMessage(QString::fromLatin1(kIdleMessage)); },
            Qt::SingleShotConnection);
}

void CMainFrame::ShowMessage(const QString& text) { statusBar()->showMessage(text); }

namespace {
// Long enough to be read after a dialog closes and the views redraw.
constexpr qint64 kNoteMilliseconds = 15000;
}  // namespace

void CMainFrame::ShowNote(const QString& text)
{
    m_noteShown.start();
    ShowMessage(text);
}

void CMainFrame::ShowPosition(const QString& text)
{
    if (m_noteShown.isValid() && !m_noteShown.hasExpired(kNoteMilliseconds))
        return;
    m_noteShown.invalidate();
    ShowMessage(text);
}

bool CMainFrame::QueryClose() { return !m_closeQuery || m_closeQuery(); }

bool CMainFrame::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        // A prompt while an item is highlighted or a button hovered; when it
        // goes away the pane says "Ready".
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        ShowMessage(tip.isEmpty() ? QString::fromLatin1(kIdleMessage) : tip);
        return true;
    }
    if (event->type() == QEvent::WindowActivate)
        UpdateLockIndicators();
    return CPersistentFrame::event(event);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); }))
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    // One document at a time: the first dropped file is opened.
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            // Opening may ask "Save changes?"; the drag source must not wait
            // for that answer, so the file is opened once the drop is over.
            QMetaObject::invokeMethod(this, [this, url] { emit fileDropped(url); },
                                      Qt::QueuedConnection);
            return;
        }
    }
}

// SPDX-License-Identifier: MIT
#include "frame/persistent_frame.h"

#include <QCloseEvent>
#include <QWindowStateChangeEvent>

#include "frame/bar_state.h"
#include "frame/profile.h"

namespace {

const QString kSection = QStringLiteral("Window size");

QRect ToQRect(const PlacementRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

}  // namespace

CPersistentFrame::CPersistentFrame(QWidget* parent) : QMainWindow(parent)
{
    m_rectRestored = ToQRect(s_rectDefault);
}

CPersistentFrame::~CPersistentFrame()
{
    // A window that was shown and is destroyed without being closed (the
    // program ends some other way) still leaves its placement behind.
    if (!m_bFirstTime && !m_bSaved)
        SavePlacement();
}

PlacementRect CPersistentFrame::RestoredRect() const
{
    QRect r = m_rectRestored;
    const Qt::WindowStates state = windowState();
    if (!m_bFirstTime && !(state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        r = geometry();
    else if ((state & (Qt::WindowMaximized | Qt::WindowFullScreen)) && normalGeometry().isValid())
        r = normalGeometry();  // Qt's own record survives a resize seen before the state change
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void CPersistentFrame::ActivateFrame(int nCmdShow)
{
    if (!m_bFirstTime) {
        switch (nCmdShow) {
        case 0: hide(); break;
        case static_cast<int>(ShowCommand::Maximized): showMaximized(); break;
        case static_cast<int>(ShowCommand::MinimizedNoActivate): showMinimized(); break;
        default: show(); raise(); activateWindow(); break;
        }
        return;
    }
    m_bFirstTime = false;
    RestorePlacement();
}

void CPersistentFrame::RestorePlacement()
{
    CProfile profile;
    const QString text = profile.value(kSection + QStringLiteral("/Rect"), QString()).toString();
    const PlacementRect rect = text.isEmpty() ? s_rectDefault : ParsePlacementRect(text);
    const int icon = profile.value(kSection + QStringLiteral("/icon"), 0).toInt();
    const int max = profile.value(kSection + QStringLiteral("/max"), 0).toInt();
    const ShowState state = ShowStateFromFlags(icon, max);

    // Bars first, so the window is placed with its final layout.
    LoadBarState(*this, profile, QString::fromLatin1(kProfileName));

    // No check against the screen: the window goes where the numbers say.
    m_rectRestored = QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    setGeometry(m_rectRestored);

    switch (state.show) {
    case ShowCommand::MinimizedNoActivate:
        setAttribute(Qt::WA_ShowWithoutActivating);
        m_bRestoresToMaximized = state.flags == kRestoreToMaximized;
        setWindowState(m_bRestoresToMaximized ? (Qt::WindowMinimized | Qt::WindowMaximized)
                                              : Qt::WindowMinimized);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
        break;
    case ShowCommand::Maximized:
        showMaximized();
        break;
    case ShowCommand::Normal:
        show();
        raise();
        activateWindow();
        break;
    }
}

void CPersistentFrame::SavePlacement()
{
    m_bSaved = true;
    const Qt::WindowStates state = windowState();
    const PlacementFlags flags = FlagsFromWindowState(state.testFlag(Qt::WindowMinimized),
                                                      state.testFlag(Qt::WindowMaximized),
                                                      m_bRestoresToMaximized);
    CProfile profile;
    profile.setValue(kSection + QStringLiteral("/Rect"), FormatPlacementRect(RestoredRect()));
    profile.setValue(kSection + QStringLiteral("/icon"), flags.icon);
    profile.setValue(kSection + QStringLiteral("/max"), flags.max);
    SaveBarState(*this, profile, QString::fromLatin1(kProfileName));
}

void CPersistentFrame::closeEvent(QCloseEvent* event)
{
    if (!QueryClose()) {
        event->ignore();
        return;
    }
    SavePlacement();
    event->accept();
}

void CPersistentFrame::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        const Qt::WindowStates now = windowState();
        if (now.testFlag(Qt::WindowMinimized))
            m_bRestoresToMaximized = now.testFlag(Qt::WindowMaximized) ||
                                     change->oldState().testFlag(Qt::WindowMaximized) ||
                                     (change->oldState().testFlag(Qt::WindowMinimized) &&
                                      m_bRestoresToMaximized);
        else
            m_bRestoresToMaximized = false;
        NoteRestoredGeometry();
    }
    QMainWindow::changeEvent(event);
}

void CPersistentFrame::moveEvent(QMoveEvent* event)
{
    NoteRestoredGeometry();
    QMainWindow::moveEvent(event);
}

void CPersistentFrame::resizeEvent(QResizeEvent* event)
{
    NoteRestoredGeometry();
    QMainWindow::resizeEvent(event);
}

void CPersistentFrame::NoteRestoredGeometry()
{
    // Only a window in its normal state shows its restored rectangle.
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    if (m_bFirstTime)
        return;
    m_rectRestored = geometry();
}

// SPDX-License-Identifier: MIT
#include "gui/frame/bar_state.h"

#include <QGuiApplication>
#include <QList>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QVariant>

namespace {

QList<QWidget*> Bars(const QMainWindow& frame)
{
    QList<QWidget*> bars;
    for (QToolBar* bar : frame.findChildren<QToolBar*>())
        if (bar->property(kBarIdProperty).isValid())
            bars.append(bar);
    if (QStatusBar* status = frame.findChild<QStatusBar*>(); status &&
        status->property(kBarIdProperty).isValid())
        bars.append(status);
    return bars;
}

QWidget* BarById(const QMainWindow& frame, int id)
{
    for (QWidget* bar : Bars(frame))
        if (bar->property(kBarIdProperty).toInt() == id)
            return bar;
    return nullptr;
}

QString SideName(Qt::ToolBarArea area)
{
    switch (area) {
    case Qt::LeftToolBarArea: return QStringLiteral("left");
    case Qt::RightToolBarArea: return QStringLiteral("right");
    case Qt::BottomToolBarArea: return QStringLiteral("bottom");
    default: return QStringLiteral("top");
    }
}

Qt::ToolBarArea SideArea(const QString& side)
{
    if (side == QLatin1String("left")) return Qt::LeftToolBarArea;
    if (side == QLatin1String("right")) return Qt::RightToolBarArea;
    if (side == QLatin1String("bottom")) return Qt::BottomToolBarArea;
    return Qt::TopToolBarArea;
}

}  // namespace

void SaveBarState(const QMainWindow& frame, QSettings& profile, const QString& name)
{
    const QList<QWidget*> bars = Bars(frame);
    profile.beginGroup(name + QStringLiteral("-Summary"));
    profile.setValue(QStringLiteral("Bars"), static_cast<int>(bars.size()));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        profile.setValue(QStringLiteral("ScreenCX"), screen->size().width());
        profile.setValue(QStringLiteral("ScreenCY"), screen->size().height());
    }
    profile.setValue(QStringLiteral("Layout"), frame.saveState());
    profile.endGroup();

    for (int i = 0; i < bars.size(); ++i) {
        QWidget* bar = bars[i];
        profile.beginGroup(name + QStringLiteral("-Bar") + QString::number(i));
        profile.setValue(QStringLiteral("BarID"), bar->property(kBarIdProperty).toInt());
        // isHidden, not isVisible: the frame itself may already be hidden.
        profile.setValue(QStringLiteral("Visible"), bar->isHidden() ? 0 : 1);
        if (auto* toolBar = qobject_cast<QToolBar*>(bar)) {
            profile.setValue(QStringLiteral("Horz"),
                             toolBar->orientation() == Qt::Horizontal ? 1 : 0);
            profile.setValue(QStringLiteral("Floating"), toolBar->isFloating() ? 1 : 0);
            profile.setValue(QStringLiteral("XPos"), toolBar->pos().x());
            profile.setValue(QStringLiteral("YPos"), toolBar->pos().y());
            profile.setValue(QStringLiteral("DockSide"), SideName(frame.toolBarArea(toolBar)));
        }
        profile.endGroup();
    }
}

void LoadBarState(QMainWindow& frame, QSettings& profile, const QString& name)
{
    profile.beginGroup(name + QStringLiteral("-Summary"));
    const int count = profile.value(QStringLiteral("Bars"), 0).toInt();
    const QByteArray layout = profile.value(QStringLiteral("Layout")).toByteArray();
    profile.endGroup();

    // The main window's own record carries the exact dock position and the
    // floating geometry; the named sections are the fallback and decide
    // visibility.
    const bool layoutRestored = !layout.isEmpty() && frame.restoreState(layout);

    for (int i = 0; i < count; ++i) {
        profile.beginGroup(name + QStringLiteral("-Bar") + QString::number(i));
        const int id = profile.value(QStringLiteral("BarID"), -1).toInt();
        QWidget* bar = BarById(frame, id);
        if (bar) {
            auto* toolBar = qobject_cast<QToolBar*>(bar);
            if (toolBar && !layoutRestored) {
                const Qt::ToolBarArea area =
                    SideArea(profile.value(QStringLiteral("DockSide")).toString());
                // Without the layout record a floating bar docks on the side
                // it was last docked at.
                frame.addToolBar(area, toolBar);
            }
            bar->setVisible(profile.value(QStringLiteral("Visible"), 1).toInt() != 0);
        }
        profile.endGroup();
    }
}

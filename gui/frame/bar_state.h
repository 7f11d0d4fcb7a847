// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QMainWindow;
class QSettings;

// The control-bar state of a frame in the profile: "<name>-Summary" holds
// the number of bars, the screen size and the main window's own dock
// layout; "<name>-Bar0", "<name>-Bar1"... hold each bar's id, visibility,
// orientation, floating state, position and dock side. Bars are the frame's
// tool bars and its status bar; each carries its id in the property "barId".
void SaveBarState(const QMainWindow& frame, QSettings& profile, const QString& name);

// Restores what SaveBarState wrote; bars without a record keep the state the
// frame created them with.
void LoadBarState(QMainWindow& frame, QSettings& profile, const QString& name);

inline constexpr const char* kBarIdProperty = "barId";

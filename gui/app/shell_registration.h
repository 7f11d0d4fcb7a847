// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Registers the program with the desktop for ".ovr" files: a desktop entry
// with open, print and print-to actions, the MIME type "Ovrin Document" for
// *.ovr with its icon, under the user's data folder (XDG_DATA_HOME). Written
// on every start, so a program that moved repairs its entries by starting
// once. Failures are ignored; the result only tells tests what happened.
bool RegisterShellFileTypes(const QString& executablePath, const QString& dataHome);

inline constexpr const char* kMimeType = "application/x-ovrin-document";
inline constexpr const char* kDesktopFileName = "ovrin.desktop";

// One argument of a desktop entry's Exec line, quoted where it needs it.
QString QuoteExecArgument(const QString& argument);

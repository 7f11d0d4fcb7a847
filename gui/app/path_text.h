// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include <QString>

// File names on this system are bytes, and not every name is valid UTF-8.
// Qt's own conversions (QFile::decodeName, QString::fromUtf8) turn every
// invalid byte into U+FFFD, so two different files can end up with one
// name. Paths therefore cross into Qt with each byte that is not part of
// valid UTF-8 kept as a lone surrogate U+DC80..U+DCFF, and come back to
// exactly the bytes they were. Only these functions convert paths; the file
// system is always reached with the bytes, never through Qt.

// The path as text, losing nothing.
QString DecodePath(std::string_view bytes);
// The exact bytes of a path made by DecodePath (UTF-8 for any other text).
std::string EncodePath(const QString& path);
// The path for people to read: each kept byte shown as U+FFFD.
QString ShownPath(const QString& path);
// The path made absolute against the current folder, as the document names
// its file (DocumentFullPath): ".." is left to the kernel.
QString AbsolutePath(const QString& path);
// The file a person picked in a file dialog. The dialog shows a name that
// is not UTF-8 with U+FFFD and gives it back so, which could name another
// file; the pick is therefore matched with the folder's real names. Empty
// when two names there look alike, so that the pick cannot be told apart.
QString PickedPath(const QString& picked);

// SPDX-License-Identifier: MIT
#include "gui/app/path_text.h"

#include <climits>
#include <memory>

#include <QFile>

#include "core/file/document_file.h"
#include "platform/folder_names.h"

namespace {

constexpr char16_t kFirstKeptByte = 0xDC80;
constexpr char16_t kLastKeptByte = 0xDCFF;

// The length of the valid UTF-8 sequence at the start of s, or 0 when its
// first byte does not begin one (overlong forms and surrogates included).
std::size_t Utf8SequenceLength(std::string_view s)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto tail = [&](std::size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
    const unsigned char c = b(0);
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return tail(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!tail(1) || !tail(2))
            return 0;
        if ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) >= 0xA0))
            return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!tail(1) || !tail(2) || !tail(3))
            return 0;
        if ((c == 0xF0 && b(1) < 0x90) || (c == 0xF4 && b(1) >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

bool IsKeptByte(QChar c) { return c.unicode() >= kFirstKeptByte && c.unicode() <= kLastKeptByte; }

}  // namespace

QString DecodePath(std::string_view bytes)
{
    QString text;
    text.reserve(qsizetype(bytes.size()));
    std::size_t validFrom = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(bytes.substr(i));
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.data() + validFrom, qsizetype(i - validFrom));
        text += QChar(char16_t(0xDC00 + static_cast<unsigned char>(bytes[i])));
        validFrom = ++i;
    }
    text += QString::fromUtf8(bytes.data() + validFrom, qsizetype(bytes.size() - validFrom));
    return text;
}

std::string EncodePath(const QString& path)
{
    std::string bytes;
    qsizetype validFrom = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        // A low surrogate after a high one is half of a real character.
        if (!IsKeptByte(path[i]) || (i > 0 && path[i - 1].isHighSurrogate()))
            continue;
        bytes += path.mid(validFrom, i - validFrom).toStdString();
        bytes += static_cast<char>(path[i].unicode() - 0xDC00);
        validFrom = i + 1;
    }
    bytes += path.mid(validFrom).toStdString();
    return bytes;
}

QString ShownPath(const QString& path)
{
    QString shown = path;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (IsKeptByte(shown[i]) && !(i > 0 && shown[i - 1].isHighSurrogate()))
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

QString AbsolutePath(const QString& path)
{
    // As the document names its file: Qt's cleaning would take ".." after
    // a link back to the folder that holds the link.
    return DecodePath(DocumentFullPath(EncodePath(path)));
}

QString PickedPath(const QString& picked)
{
    if (!picked.contains(QChar::ReplacementCharacter))
        return picked;
    const qsizetype slash = picked.lastIndexOf(QLatin1Char('/'));
    const QString folder = picked.left(slash + 1);
    const QString name = picked.mid(slash + 1);
    const std::optional<std::vector<std::string>> names =
        FolderNames(folder.isEmpty() ? "." : EncodePath(folder));
    if (!names)
        return picked;
    QStringList lookAlikes;
    for (const std::string& entry : *names) {
        // As the dialog decoded it.
        if (QFile::decodeName(entry.c_str()) == name)
            lookAlikes << folder + DecodePath(entry);
    }
    if (lookAlikes.size() > 1)
        return QString();
    return lookAlikes.isEmpty() ? picked : lookAlikes.constFirst();
}

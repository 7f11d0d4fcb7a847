// SPDX-License-Identifier: MIT
#include "gui/app/shell_registration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include "gui/res/resources.h"

namespace {

// Writes the file only when its content differs, so an unchanged
// registration costs no writes and no database updates.
bool WriteIfChanged(const QString& path, const QByteArray& content, bool* changed)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return true;
    existing.close();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit())
        return false;
    *changed = true;
    return true;
}

QByteArray Resource(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray DesktopEntry(const QString& exe)
{
    const QString program = QuoteExecArgument(exe);
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=Ovrin\n");
    text += QStringLiteral("Comment=Key words with descriptions, kept in order and found again\n");
    text += QStringLiteral("Exec=%1 %f\n").arg(program);
    text += QStringLiteral("Icon=ovrin\n");
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("MimeType=%1;\n").arg(QLatin1String(kMimeType));
    text += QStringLiteral("Categories=Office;\n");
    text += QStringLiteral("Actions=Print;PrintTo;\n");
    text += QStringLiteral("\n[Desktop Action Print]\n");
    text += QStringLiteral("Name=Print\n");
    text += QStringLiteral("Exec=%1 /p %f\n").arg(program);
    text += QStringLiteral("\n[Desktop Action PrintTo]\n");
    text += QStringLiteral("Name=Print To\n");
    text += QStringLiteral("Exec=%1 /pt %f\n").arg(program);
    return text.toUtf8();
}

QByteArray MimeInfo()
{
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"application/x-ovrin-document\">\n"
        "    <comment>Ovrin Document</comment>\n"
        "    <icon name=\"application-x-ovrin-document\"/>\n"
        "    <glob pattern=\"*.ovr\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n");
}

void RunIfPresent(const QString& tool, const QString& folder)
{
    const QString path = QStandardPaths::findExecutable(tool);
    if (!path.isEmpty())
        QProcess::startDetached(path, {folder});
}

}  // namespace

QString QuoteExecArgument(const QString& argument)
{
    // Field codes are the launcher's: a literal % is written twice.
    QString arg = argument;
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = arg.isEmpty();
    for (QChar c : arg)
        needsQuotes = needsQuotes || reserved.contains(c);
    if (!needsQuotes)
        return arg;
    QString quoted;
    for (QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    // The value of a desktop-entry key escapes its backslashes once more.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool RegisterShellFileTypes(const QString& executablePath, const QString& dataHome)
{
    if (dataHome.isEmpty() || executablePath.isEmpty())
        return false;
    EnsureResources();
    const QDir home(dataHome);
    const QByteArray icon = Resource(QStringLiteral(":/icons/ovrin.svg"));
    bool mimeChanged = false;
    bool appsChanged = false;
    bool ok = true;
    ok = WriteIfChanged(home.filePath(QStringLiteral("applications/") + QLatin1String(kDesktopFileName)),
                        DesktopEntry(executablePath), &appsChanged) && ok;
    ok = WriteIfChanged(home.filePath(QStringLiteral("mime/packages/ovrin.xml")), MimeInfo(),
                        &mimeChanged) && ok;
    bool iconChanged = false;
    ok = !icon.isEmpty() && ok;
    if (!icon.isEmpty()) {
        ok = WriteIfChanged(home.filePath(QStringLiteral("icons/hicolor/scalable/apps/ovrin.svg")),
                            icon, &iconChanged) && ok;
        ok = WriteIfChanged(home.filePath(QStringLiteral(
                                "icons/hicolor/scalable/mimetypes/application-x-ovrin-document.svg")),
                            icon, &iconChanged) && ok;
    }
    // The desktop's caches learn of the change from these tools, where they exist.
    if (mimeChanged)
        RunIfPresent(QStringLiteral("update-mime-database"), home.filePath(QStringLiteral("mime")));
    if (appsChanged)
        RunIfPresent(QStringLiteral("update-desktop-database"),
                     home.filePath(QStringLiteral("applications")));
    return ok;
}

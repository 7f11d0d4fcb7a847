// SPDX-License-Identifier: MIT
#include "app/command_line.h"

namespace {

// The switch named by an argument, or empty when it is a parameter.
QString SwitchName(const QString& arg)
{
    if (arg.size() < 2 || (arg[0] != QLatin1Char('/') && arg[0] != QLatin1Char('-')))
        return {};
    const QString name = arg.mid(1).toLower();
    if (name == QLatin1String("p") || name == QLatin1String("pt") || name == QLatin1String("dde"))
        return name;
    return {};
}

}  // namespace

CCommandLineInfo ParseCommandLine(const QStringList& arguments)
{
    CCommandLineInfo info;
    bool printTo = false;
    bool print = false;
    bool dde = false;
    QStringList params;
    for (const QString& arg : arguments) {
        const QString sw = SwitchName(arg);
        if (sw == QLatin1String("p")) {
            print = true;
        } else if (sw == QLatin1String("pt")) {
            printTo = true;
        } else if (sw == QLatin1String("dde")) {
            dde = true;
        } else {
            params.append(arg);
        }
    }
    // Parameters in order: the file, then (for /pt) printer, driver, port.
    info.m_strFileName = params.value(0);
    if (printTo) {
        info.m_strPrinterName = params.value(1);
        info.m_strDriverName = params.value(2);
        info.m_strPortName = params.value(3);
    }
    if (dde)
        info.m_nShellCommand = CCommandLineInfo::Shell::FileDDE;
    else if (printTo && !info.m_strFileName.isEmpty())
        info.m_nShellCommand = CCommandLineInfo::Shell::FilePrintTo;
    else if (print && !info.m_strFileName.isEmpty())
        info.m_nShellCommand = CCommandLineInfo::Shell::FilePrint;
    else if (!info.m_strFileName.isEmpty())
        info.m_nShellCommand = CCommandLineInfo::Shell::FileOpen;
    return info;
}

// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// What the command line asks the program to do at start-up.
struct CCommandLineInfo final {
    enum class Shell { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE };
    Shell m_nShellCommand = Shell::FileNew;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;
};

// Reads the arguments after the program name: an optional document path and
// the switches /p, /pt and /dde (also written with '-', any case). Only those
// exact words are switches, so an absolute path such as /home/a.ovr is a file
// name. After /pt the arguments following the file are printer, driver and
// port; missing ones stay empty (the default printer).
CCommandLineInfo ParseCommandLine(const QStringList& arguments);

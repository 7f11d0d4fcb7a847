// SPDX-License-Identifier: MIT
#include <iostream>
#include <optional>

#include <QApplication>

#include "app/ovrin_app.h"
#include "cli/cli_main.h"
#include "cli/display_check.h"

int main(int argc, char* argv[])
{
    // The window program, started by `ovrin` (cli/ovrin_main.cpp). Run by
    // itself it still knows the command-line modes and refuses options it
    // does not know, the same way.
    if (const std::optional<int> code = RunCommandLineTool(argc, argv))
        return *code;
    // Without any display Qt would abort with a page of plug-in details.
    if (const std::optional<int> code = RefuseWindowWithoutDisplay(std::cerr))
        return *code;

    QApplication app(argc, argv);
    COvrinApp theApp;
    // QApplication has taken its own options out of argv; the rest are
    // passed as bytes, since file names need not be valid UTF-8.
    if (!theApp.InitInstance(argc, argv))
        return theApp.ExitCode();
    return QApplication::exec();
}

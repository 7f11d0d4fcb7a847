// SPDX-License-Identifier: MIT
#include <optional>

#include <QApplication>

#include "app/ovrin_app.h"
#include "cli/cli_main.h"

int main(int argc, char* argv[])
{
    // --list, --find and --export need no display.
    if (const std::optional<int> code = RunCommandLineTool(argc, argv))
        return *code;

    QApplication app(argc, argv);
    COvrinApp theApp;
    if (!theApp.InitInstance(QApplication::arguments().mid(1)))
        return theApp.ExitCode();
    return QApplication::exec();
}

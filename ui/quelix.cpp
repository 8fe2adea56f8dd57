// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The desktop program: the application, its main window (which creates the binding
// constants dialog, hidden) and the event loop. --help and --version print their text
// and end the program before any window system is reached.

#include "settings/defaults.h"
#include "settings/location.h"
#include "ui/about.h"
#include "ui/commandline.h"
#include "ui/main.h"

#include <QApplication>

#include <cstdio>
#include <span>

int main(int argc, char** argv)
{
    if (const auto text = InformationRequested(std::span(argv, static_cast<std::size_t>(argc)))) {
        std::fputs(text->c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    QApplication app(argc, argv);
    SetUpApplication();

    TMainFormOptions options;
    options.IniFileName =
        SettingsFileForProgram(QCoreApplication::applicationFilePath().toStdString()).File;
    options.DecimalPoint = UserDecimalSeparator();
    TMainForm mainForm(std::move(options));
    mainForm.show();
    return QApplication::exec();
}

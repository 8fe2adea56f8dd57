// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The desktop program: the application, its main window (which creates the binding
// constants dialog, hidden) and the event loop. It takes no arguments.

#include "settings/defaults.h"
#include "settings/location.h"
#include "ui/about.h"
#include "ui/main.h"

#include <QApplication>

int main(int argc, char** argv)
{
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

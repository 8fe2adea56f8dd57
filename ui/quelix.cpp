// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The desktop program: the application, its main window (which creates the binding
// constants dialog, hidden) and the event loop. It takes no arguments.

#include "ui/about.h"

#include <QApplication>

#ifdef QUELIX_HAVE_MAINFORM
#include "settings/defaults.h"
#include "ui/main.h"
#else
#include "engine/bindconst.h"
#include "ui/constform.h"
#endif

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quelix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quelix"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quelix"));
    QApplication::setWindowIcon(ProgramIcon());

#ifdef QUELIX_HAVE_MAINFORM
    TMainFormOptions options;
    options.IniFileName =
        IniFileName(QCoreApplication::applicationFilePath().toStdString());
    options.DecimalPoint = UserDecimalSeparator();
    TMainForm mainForm(std::move(options));
    mainForm.show();
#else
    // Until the numeric field widget exists the program shows the constants dialog alone,
    // with the built-in constants corrected for 0.2 M at pH 8.
    TEngine engine;
    engine.pH = 8;
    engine.IonStr = 0.2L;
    engine.LoadDefaultConstants();
    engine.AdjustConstants();
    engine.MakeApparentConstants();
    TConstForm mainForm(engine);
    mainForm.show();
#endif
    return QApplication::exec();
}

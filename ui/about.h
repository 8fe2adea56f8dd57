// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The "About..." box: the program's icon, name and version, what it computes and where
// the method comes from. The main window creates a fresh one for each Help > About...,
// shows it modally and destroys it afterwards; it reads no program state.

#include <QDialog>

class QFrame;
class QIcon;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

private:
    QFrame* Panel1;
    QLabel* IconImage;
    QLabel* labelSpacer;
    QLabel* labelProductName;
    QLabel* labelComments;
    QLabel* Comment2;
    QPushButton* OKButton;
};

/// The program's icon in its 32 and 64 pixel renderings, for windows and the about box.
QIcon ProgramIcon();

/// The running application's name ("Quelix"), desktop entry and icon. No display name is
/// set: the windowing system would append it to every title that differs from it ("About...
/// — Quelix"), while the message boxes take the name itself as their caption.
void SetUpApplication();

// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/about.h"

#include "ui/look.h"

#include <QFrame>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

QLabel* MakeText(QWidget* parent, const char* name, const char* text, QRect place)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

} // namespace

void SetUpApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Quelix"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quelix"));
    QGuiApplication::setWindowIcon(ProgramIcon());
}

QIcon ProgramIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/quelix/quelix-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/quelix/quelix-64.png"), QSize(64, 64));
    return icon;
}

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About..."));
    setFont(WindowFont(font()));
    setFixedSize(353, 238);

    // A raised inner bevel inside a lowered outer one: the etched frame of a sunken box.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 337, 193);
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);

    labelSpacer = MakeText(Panel1, "labelSpacer", "", QRect(2, 2, 333, 16));

    IconImage = new QLabel(Panel1);
    IconImage->setObjectName(QStringLiteral("IconImage"));
    IconImage->setGeometry(24, 8, 32, 32);
    IconImage->setPixmap(ProgramIcon().pixmap(QSize(32, 32), devicePixelRatio()));

    labelProductName = MakeText(
        Panel1, "labelProductName", "Quelix version 3.6", QRect(2, 18, 333, 31));
    labelProductName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont bold = labelProductName->font();
    bold.setPixelSize(19);
    bold.setBold(true);
    labelProductName->setFont(bold);

    labelComments = MakeText(Panel1, "labelComments",
                             "Quelix is a utility to calculate the concentrations of free "
                             "cations, free ligands and cation-ligand complexes.",
                             QRect(2, 49, 333, 48));
    Comment2 = MakeText(Panel1, "Comment2",
                        "Algorithm by Rudaz A. Goldstein [Biophys. J. 26:235-242, 1979]",
                        QRect(2, 97, 333, 40));
    // The icon sits above the product name's centred text; keep it drawn on top.
    IconImage->raise();

    OKButton = MakeButton(this, "OKButton", "OK", QRect(136, 208, 75, 25));
    OKButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    OKButton->setDefault(true);
    OKButton->setFocus();
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    // Centred on the screen, not on the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/about.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(AboutBox, ShowsTheProgramItsPurposeAndTheMethodsSource)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About..."));
    EXPECT_EQ(box.size(), QSize(353, 238));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());

    auto text = [&](const char* name) {
        auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
        return label ? label->text() : QStringLiteral("<missing>");
    };
    EXPECT_EQ(text("labelProductName"), QStringLiteral("Quelix version 3.6"));
    EXPECT_EQ(text("labelComments"),
              QStringLiteral("Quelix is a utility to calculate the concentrations of free "
                             "cations, free ligands and cation-ligand complexes."));
    EXPECT_EQ(text("Comment2"),
              QStringLiteral("Algorithm by Rudaz A. Goldstein [Biophys. J. 26:235-242, 1979]"));

    auto* product = box.findChild<QLabel*>(QStringLiteral("labelProductName"));
    ASSERT_NE(product, nullptr);
    EXPECT_TRUE(product->font().bold());
    EXPECT_EQ(product->font().pixelSize(), 19);

    auto* icon = box.findChild<QLabel*>(QStringLiteral("IconImage"));
    ASSERT_NE(icon, nullptr);
    ASSERT_FALSE(icon->pixmap().isNull()); // the icon resource is linked in
    EXPECT_EQ(icon->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
}

TEST(AboutBox, EnterOnTheFocusedOkButtonClosesItWithOk)
{
    TAboutBox box;
    box.open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->hasFocus());
    EXPECT_TRUE(ok->isDefault());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

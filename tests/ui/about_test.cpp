// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/about.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(AboutBox, ShowsTheProgramItsPurposeAndTheMethodsSource)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About..."));
    EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "the box cannot be resized";

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
    auto* comments = box.findChild<QLabel*>(QStringLiteral("labelComments"));
    ASSERT_NE(product, nullptr);
    ASSERT_NE(comments, nullptr);
    EXPECT_TRUE(product->font().bold());
    EXPECT_GT(QFontInfo(product->font()).pixelSize(), QFontInfo(comments->font()).pixelSize())
        << "the product name stands out as a heading";

    auto* icon = box.findChild<QLabel*>(QStringLiteral("IconImage"));
    ASSERT_NE(icon, nullptr);
    ASSERT_FALSE(icon->pixmap().isNull()); // the icon resource is linked in
    const QSize iconSize = icon->pixmap().deviceIndependentSize().toSize();
    EXPECT_LE(iconSize.width(), icon->width()) << "the icon is not cut off";
    EXPECT_LE(iconSize.height(), icon->height());
}

// The box is laid out in fixed pixel positions: nothing may be cut off by its parent, no
// text may need more room than its label has in the font the box uses, and the texts stack
// from the top of the panel in reading order without overlapping.
TEST(AboutBox, EveryControlAndEveryTextFitsItsPlace)
{
    TAboutBox box;
    for (QWidget* child : box.findChildren<QWidget*>()) {
        if (child->isWindow() || !child->parentWidget())
            continue;
        SCOPED_TRACE(child->objectName().toStdString());
        EXPECT_TRUE(child->parentWidget()->rect().contains(child->geometry()));
    }

    const char* stack[] = {"labelSpacer", "labelProductName", "labelComments", "Comment2"};
    int textTop = 0;
    for (const char* name : stack) {
        SCOPED_TRACE(name);
        auto* label = box.findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr);
        EXPECT_GE(label->y(), textTop);
        textTop = label->geometry().bottom() + 1;
        EXPECT_LE(label->heightForWidth(label->width()), label->height())
            << "wrapped to its width, the text needs more lines than the label shows";
    }

    auto* panel = box.findChild<QWidget*>(QStringLiteral("Panel1"));
    auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_GT(ok->y(), panel->geometry().bottom()) << "the button sits below the panel";
    EXPECT_LT(ok->fontMetrics().horizontalAdvance(ok->text()) + ok->iconSize().width(), ok->width())
        << "the caption and the glyph fit the button";
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

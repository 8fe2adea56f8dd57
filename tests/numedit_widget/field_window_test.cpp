// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Mouse, context menu, painting and sizing of the field.
#include "NumEditWidgetForm.h"

#include <QAction>
#include <QClipboard>
#include <QImage>
#include <QMenu>

#include <string>

namespace {

TEST_F(NumEditWidget, ClickDeselectsAndDoubleClickSelects)
{
    B()->SetText(QStringLiteral("12.5"));
    QTest::mouseClick(B(), Qt::LeftButton);
    EXPECT_EQ(Focused(), QStringLiteral("bEdit"));
    EXPECT_FALSE(B()->Selected()) << "AutoSelect on entry, then the click deselects";

    QTest::mouseDClick(B(), Qt::LeftButton);
    EXPECT_TRUE(B()->Selected());
    QTest::mousePress(B(), Qt::LeftButton);
    EXPECT_TRUE(B()->Selected()) << "the press that belongs to the double click keeps it";
    QTest::mouseRelease(B(), Qt::LeftButton);
    QTest::mouseClick(B(), Qt::LeftButton);
    EXPECT_FALSE(B()->Selected());

    // The same through the window system: press, release, press, double click, release.
    QWindow* window = Dialog.windowHandle();
    const QPoint at = B()->mapTo(&Dialog, B()->rect().center());
    QTest::mouseDClick(window, Qt::LeftButton, {}, at);
    EXPECT_TRUE(B()->Selected());
    QTest::mouseClick(window, Qt::LeftButton, {}, at, 1000);
    EXPECT_FALSE(B()->Selected()) << "a later click deselects again";
}

// Enabled items as a string over the tags 0, 2, 3, 4, 5, 7 (Undo Cut Copy Paste Delete All).
std::string EnabledItems(TSaNumEdit& edit)
{
    edit.UpdatePopupMenu();
    std::string flags;
    for (QAction* item : edit.PopupMenu()->actions())
        if (!item->isSeparator())
            flags += item->isEnabled() ? '1' : '0';
    return flags;
}

TEST_F(NumEditWidget, ContextMenuItemsFollowTheFieldState)
{
    const QList<QAction*> items = A()->PopupMenu()->actions();
    ASSERT_EQ(items.size(), 8);
    const char* captions[] = {"元に戻す(&U)", "", "切り取り(&T)",  "コピー(&C)", "貼り付け(&P)",
                              "削除(&D)",     "", "すべて選択(&A)"};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(items[i]->data().toInt(), i);
        EXPECT_EQ(items[i]->isSeparator(), i == 1 || i == 6);
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(captions[i]));
    }

    QGuiApplication::clipboard()->clear();
    EXPECT_EQ(EnabledItems(*A()), "000000") << "empty field, empty clipboard";
    QGuiApplication::clipboard()->setText(QStringLiteral("7"));
    EXPECT_EQ(EnabledItems(*A()), "000100");
    QTest::keyClicks(A(), QStringLiteral("12"));
    EXPECT_EQ(EnabledItems(*A()), "100101") << "typed, not selected";
    QTest::keyClick(A(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(EnabledItems(*A()), "111110") << "selected";
    A()->SetReadOnly(true);
    EXPECT_EQ(EnabledItems(*A()), "001000") << "read-only and selected";
    A()->SetReadOnly(false);
    ASSERT_EQ(EnabledItems(*A()), "111110");

    items[5]->trigger();
    EXPECT_EQ(A()->GetText(), QString()) << "Delete empties the selected field";
    items[0]->trigger();
    EXPECT_EQ(A()->ImageText(), QStringLiteral("12")) << "and Undo brings it back";
    EXPECT_TRUE(A()->Selected());

    // Opening the menu of a field without the focus gives it the focus (and AutoSelect).
    C()->SetText(QStringLiteral("3"));
    EXPECT_EQ(EnabledItems(*C()), "011110");
    EXPECT_EQ(Focused(), QStringLiteral("cEdit"));
}

// Columns of the field's image that hold pixels of the given colour.
std::pair<int, int> InkColumns(const QImage& image, QColor colour)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) == colour) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST_F(NumEditWidget, PaintsTheNumberRightAlignedAndDisabledInItsColour)
{
    C()->setFixedWidth(200);
    C()->SetColor(Qt::white);
    QPalette palette = C()->palette();
    palette.setColor(QPalette::Text, Qt::black);
    palette.setColor(QPalette::Highlight, Qt::blue);
    palette.setColor(QPalette::HighlightedText, Qt::yellow);
    C()->setPalette(palette);
    C()->SetDisabledColor(Qt::red);
    C()->SetText(QStringLiteral("1234.5"));

    const auto [left, right] = InkColumns(C()->grab().toImage(), Qt::black);
    ASSERT_GE(left, 0);
    EXPECT_GT(left, C()->width() / 2) << "nothing drawn on the left half";
    EXPECT_GE(right, C()->width() - 12) << "the number ends at the right margin";

    Focus(C());
    ASSERT_TRUE(C()->Selected());
    const QImage selected = C()->grab().toImage();
    EXPECT_GE(InkColumns(selected, Qt::yellow).first, left - 1);
    EXPECT_GT(InkColumns(selected, Qt::blue).first, C()->width() / 2) << "highlight on the number";

    C()->setEnabled(false);
    const QImage disabled = C()->grab().toImage();
    EXPECT_GE(InkColumns(disabled, Qt::red).first, 0);
    EXPECT_EQ(InkColumns(disabled, Qt::blue).first, -1) << "no selection colours when disabled";
    EXPECT_EQ(InkColumns(disabled, Qt::black).first, -1);
}

TEST_F(NumEditWidget, AutoSizeKeepsTheHeightOfTheFont)
{
    const int autoHeight = A()->fontMetrics().height() + 2 + 2 + 2 * 2;
    auto* edit = new TSaNumEditExCX(&Dialog);
    edit->setGeometry(8, 30, 81, 40);
    edit->show();
    EXPECT_EQ(edit->geometry(), QRect(8, 30, 81, autoHeight));
    edit->SetTopMargin(6);
    EXPECT_EQ(edit->geometry(), QRect(8, 30, 81, autoHeight + 4));
    edit->SetAutoSize(false);
    edit->setGeometry(8, 30, 81, 40);
    EXPECT_EQ(edit->height(), 40);
}

} // namespace

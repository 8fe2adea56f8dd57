// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Keys, input-method text, the clipboard and focus moves of the field, driven as a user would.
#include "NumEditWidgetForm.h"

#include "engine/calcerror.h"

#include <QAction>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include <memory>

namespace {

TEST_F(NumEditWidget, TypedCharactersFollowTheFieldRules)
{
    struct TCase {
        const char* Typed; // "<" is Backspace
        bool ReadOnly;
        const char* Expect; // plain value text
        int Beeps;
        int Changes;
    };
    for (const TCase& c : {TCase {"12--", false, "12", 0, 4}, TCase {"1a 2", false, "12", 2, 2},
                           TCase {"12.5<", false, "12", 0, 5}, TCase {"12a<", true, "", 0, 0}}) {
        SCOPED_TRACE(c.Typed);
        Beeps = Changes = 0;
        A()->SetText(QString());
        A()->SetCanExponent(false);
        A()->SetReadOnly(c.ReadOnly);
        for (const char* k = c.Typed; *k != '\0'; ++k)
            *k == '<' ? QTest::keyClick(A(), Qt::Key_Backspace) : QTest::keyClick(A(), *k);
        EXPECT_EQ(A()->GetText(), QString::fromLatin1(c.Expect));
        EXPECT_EQ(Beeps, c.Beeps);
        EXPECT_EQ(Changes, c.Changes);
    }
}

TEST_F(NumEditWidget, ControlKeysSelectCopyPasteAndNavigationDeselects)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("1,234.5x9"));
    QTest::keyClick(A(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(A()->ImageText(), QStringLiteral("1,234.5"));
    EXPECT_EQ(Changes, 1);
    QTest::keyClick(A(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(A()->Selected());
    QTest::keyClick(A(), Qt::Key_Home);
    EXPECT_FALSE(A()->Selected());
    QTest::keyClick(A(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(A(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1234.5"));
    // The modifier tests are exact: Ctrl+Shift+Left is not Shift+Left.
    QTest::keyClick(A(), Qt::Key_End);
    QTest::keyClick(A(), Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_FALSE(A()->Selected());

    A()->SetReadOnly(true);
    QTest::keyClick(A(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(A(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(A()->ImageText(), QStringLiteral("1,234.5")) << "no cut in a read-only field";
    A()->SetReadOnly(false);
    QTest::keyClick(A(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(A()->ImageText(), QString());
    EXPECT_EQ(Changes, 2);
}

TEST_F(NumEditWidget, InputMethodFullWidthCharactersAreTyped)
{
    // Each full-width character counts as its ASCII form: the comma is refused with a beep
    // as a typed "," is, and typing goes on after it.
    struct TCase {
        const char* Committed;
        TReal Value;
        int Beeps;
    };
    for (const TCase& c : {TCase {"１，９０８", 1908, 1}, TCase {"－１２．５あ", -12.5L, 1}}) {
        SCOPED_TRACE(c.Committed);
        A()->SetText(QString());
        Beeps = 0;
        QInputMethodEvent commit;
        commit.setCommitString(QString::fromUtf8(c.Committed));
        QApplication::sendEvent(A(), &commit);
        EXPECT_EQ(A()->GetValue(), c.Value);
        EXPECT_EQ(Beeps, c.Beeps);
    }
    const QRect caret = A()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_EQ(caret.height(), A()->fontMetrics().height());
    EXPECT_GT(caret.left(), A()->width() / 2) << "the caret follows the right-aligned number";
}

TEST_F(NumEditWidget, TabbingInWithAutoSelectReplacesTheValue)
{
    for (bool autoSelect : {true, false}) {
        SCOPED_TRACE(autoSelect);
        Focus(A());
        B()->SetText(QStringLiteral("123"));
        B()->SetAutoSelect(autoSelect);
        QTest::keyClick(A(), Qt::Key_Tab);
        ASSERT_EQ(Focused(), QStringLiteral("bEdit"));
        QTest::keyClick(B(), '7');
        EXPECT_EQ(B()->GetText(), autoSelect ? QStringLiteral("7") : QStringLiteral("1.237E3"));
        QTest::keyClick(B(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(B(), Qt::Key_Tab);
        EXPECT_FALSE(B()->Selected()) << "HideSelection";
    }
}

TEST_F(NumEditWidget, LeavingAFieldEmptiesALoneMinus)
{
    struct TCase {
        const char* Typed;
        bool MinusOnly;
        const char* Expect;
    };
    A()->SetCanExponent(false);
    for (const TCase& c :
         {TCase {"-", false, ""}, TCase {"-", true, "-"}, TCase {"5.", false, "5."}}) {
        SCOPED_TRACE(c.Typed);
        A()->SetText(QString());
        A()->SetOptions(c.MinusOnly ? TSaNumEditOptions {TSaNumEditOption::eoMinusOnly}
                                    : TSaNumEditOptions {});
        Focus(A());
        QTest::keyClicks(A(), QString::fromLatin1(c.Typed));
        const int changes = Changes;
        Focus(B());
        EXPECT_EQ(A()->GetText(), QString::fromLatin1(c.Expect));
        EXPECT_EQ(Changes, changes) << "emptying on exit is not a user edit";
    }
}

TEST_F(NumEditWidget, ArrowKeysMoveTheFocusOnlyWhenAsked)
{
    struct TCase {
        bool ArrowFocusMove;
        TSaNumEditOptions Options;
        Qt::Key Key;
        const char* Expect;
    };
    using enum TSaNumEditOption;
    const TCase cases[] = {
        {false, {eoArrowUp, eoArrowDown}, Qt::Key_Down, "bEdit"},
        {true, {eoArrowUp, eoArrowDown}, Qt::Key_Down, "cEdit"},
        {true, {eoArrowUp, eoArrowDown}, Qt::Key_Up, "aEdit"},
        {true, {eoArrowUp}, Qt::Key_Down, "bEdit"},
        {true, {eoArrowDown}, Qt::Key_Up, "bEdit"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.ArrowFocusMove << int(c.Options.Bits()) << c.Key);
        B()->SetArrowFocusMove(c.ArrowFocusMove);
        B()->SetOptions(c.Options);
        B()->SetText(QStringLiteral("5"));
        Focus(A());
        Focus(B());
        QTest::keyClick(B(), c.Key);
        EXPECT_FALSE(B()->Selected());
        EXPECT_EQ(Focused(), QStringLiteral("bEdit")) << "the move waits for the key to finish";
        RunQueued();
        EXPECT_EQ(Focused(), QString::fromLatin1(c.Expect));
    }
}

TEST_F(NumEditWidget, EnterRunsTheWindowsDefaultActionOnceOrMovesOn)
{
    // The window's default action is the default button, or else an Enter shortcut.
    QAction enterAction;
    enterAction.setShortcut(Qt::Key_Return);
    int actionRuns = 0;
    QObject::connect(&enterAction, &QAction::triggered, &Dialog, [&] { ++actionRuns; });
    for (bool shortcut : {false, true}) {
        if (shortcut)
            Dialog.addAction(&enterAction);
        for (bool enterFocusMove : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << "shortcut " << shortcut << " move " << enterFocusMove);
            OkPresses = actionRuns = 0;
            A()->SetEnterFocusMove(enterFocusMove);
            A()->SetText(QStringLiteral("5"));
            Focus(A());
            QTest::keyClick(A(), Qt::Key_Return);
            RunQueued();
            EXPECT_EQ(OkPresses, !shortcut && !enterFocusMove ? 1 : 0);
            EXPECT_EQ(actionRuns, shortcut && !enterFocusMove ? 1 : 0);
            EXPECT_EQ(Focused(), QString::fromLatin1(enterFocusMove ? "bEdit" : "aEdit"));
            EXPECT_EQ(A()->GetText(), QStringLiteral("5"));
            EXPECT_EQ(Beeps, 0);
        }
    }
}

// A window whose own key handling may take Enter, as the main window runs Calculate.
class TEnterTakingWindow : public QWidget {
public:
    bool TakesEnter = false;
    int EnterTaken = 0;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if (TakesEnter && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
            ++EnterTaken;
            return e->accept();
        }
        QWidget::keyPressEvent(e);
    }
};

TEST(NumEditWidgetKeys, EnterAndEscapeThatNoWindowTakesBeepInTheField)
{
    struct TCase {
        const char* Name;
        Qt::Key Key;
        bool WindowTakesEnter;
        bool ReadOnly;
        bool FieldIsWindow;
        int Beeps;
        int EnterTaken;
    };
    const TCase cases[] = {
        {"Enter, window without a default action", Qt::Key_Return, false, false, false, 1, 0},
        {"keypad Enter, same", Qt::Key_Enter, false, false, false, 1, 0},
        {"Escape, window without a cancel action", Qt::Key_Escape, false, false, false, 1, 0},
        {"Enter taken by the window", Qt::Key_Return, true, false, false, 0, 1},
        {"Escape beside a window that takes Enter", Qt::Key_Escape, true, false, false, 1, 0},
        {"read-only field drops Enter silently", Qt::Key_Return, false, true, false, 0, 0},
        {"read-only field drops Escape silently", Qt::Key_Escape, false, true, false, 0, 0},
        {"field alone, Enter", Qt::Key_Return, false, false, true, 1, 0},
        {"field alone, Escape", Qt::Key_Escape, false, false, true, 1, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TEnterTakingWindow window;
        window.TakesEnter = c.WindowTakesEnter;
        auto* holder = new QWidget(&window); // a panel between the field and its window
        auto* edit = new TSaNumEditExCX(c.FieldIsWindow ? nullptr : holder);
        std::unique_ptr<TSaNumEditExCX> alone(c.FieldIsWindow ? edit : nullptr);
        int beeps = 0;
        edit->SetBeepHandler([&] { ++beeps; });
        edit->SetReadOnly(c.ReadOnly);
        edit->SetText(QStringLiteral("5"));
        QTest::keyClick(edit, c.Key, c.Key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_EQ(beeps, c.Beeps);
        EXPECT_EQ(window.EnterTaken, c.EnterTaken);
        EXPECT_EQ(edit->GetText(), QStringLiteral("5"));
    }
}

TEST_F(NumEditWidget, EscapeInADialogCancelsItWithoutABeep)
{
    QTest::keyClick(A(), Qt::Key_Escape);
    EXPECT_FALSE(Dialog.isVisible());
    EXPECT_EQ(Dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Beeps, 0);
    EXPECT_EQ(OkPresses, 0);
}

TEST_F(NumEditWidget, ValueThroughTheWidget)
{
    A()->SetValue(123456789);
    EXPECT_EQ(A()->ImageText(), QStringLiteral("123,456,789"));
    EXPECT_EQ(A()->GetValue(), TReal {123456789});
    A()->SetValue(1e9L);
    EXPECT_EQ(A()->ImageText(), QString());
    EXPECT_THROW(A()->GetValue(), TCalcError);
    EXPECT_EQ(Changes, 0);
}

} // namespace

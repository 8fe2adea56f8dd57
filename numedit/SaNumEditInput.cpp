// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// How keys, input-method text, mouse clicks and focus changes reach the field model, and the
// caret that stays at the end of the number.
#include "numedit/SaNumEdit.h"

#include "numedit/SaNumEditModel.h"
#include "numedit/numtext.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTimer>

#include <memory>

namespace {
// The modifier tests are exact: the keypad flag is not a modifier key.
Qt::KeyboardModifiers Mods(const QKeyEvent& e)
{
    return e.modifiers()
        & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

bool IsEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// The keys that would move a caret: the field keeps its caret at the end of the number, so
// they only end a selection.
bool IsCaretMoveKey(int key)
{
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return false;
    }
}

// Full-width digits, minus, full stop and comma from an input method count as their ASCII
// forms.
QChar FoldFullWidth(QChar ch)
{
    const char folded = FoldFullWidthChar(ch.unicode());
    return folded != '\0' ? QChar::fromLatin1(folded) : ch;
}

} // namespace

void TSaNumEdit::Beep()
{
    if (FBeepHandler)
        FBeepHandler();
    else
        QApplication::beep();
}

// ---- keys ----------------------------------------------------------------------------------

// The key-down rules; true when one of them took the key.
bool TSaNumEdit::HandleKeyDown(const QKeyEvent& e)
{
    TSaNumEditModel& m = *FModel;
    const Qt::KeyboardModifiers mods = Mods(e);
    const int key = e.key();
    if (mods == Qt::ShiftModifier && (key == Qt::Key_Left || key == Qt::Key_Right)) {
        m.SelectAll();
        return true;
    }
    if (mods == Qt::ControlModifier && (key == Qt::Key_A || key == Qt::Key_C)) {
        key == Qt::Key_A ? m.SelectAll() : m.CopyText();
        return true;
    }
    if (mods == Qt::NoModifier && IsCaretMoveKey(key)) {
        m.Deselect();
        return true;
    }
    if (mods == Qt::NoModifier && (key == Qt::Key_Up || key == Qt::Key_Down)) {
        m.Deselect();
        const bool down = key == Qt::Key_Down;
        const auto option = down ? TSaNumEditOption::eoArrowDown : TSaNumEditOption::eoArrowUp;
        if (m.ArrowFocusMove() && m.Options().Contains(option))
            PostFocusMove(down);
        return true;
    }
    if (m.ReadOnly())
        return false;
    if (mods == Qt::ControlModifier && (key == Qt::Key_V || key == Qt::Key_X)) {
        key == Qt::Key_V ? m.PasteText() : m.CutText();
        return true;
    }
    if (mods == Qt::NoModifier && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        m.DeleteLastChar();
        return true;
    }
    return false;
}

// One typed character: "-" toggles the sign, "." and digits are typed, the control codes of
// the clipboard and Backspace keys were handled as keys, anything else is refused.
void TSaNumEdit::InputChar(QChar ch)
{
    TSaNumEditModel& m = *FModel;
    if (m.ReadOnly())
        return;
    const char16_t c = ch.unicode();
    if (c == 1 || c == 3 || c == 8 || c == 22 || c == 24)
        return;
    if (c == u'-')
        m.InputMinus();
    else if (c == u'.')
        m.InputPoint();
    else if (c >= u'0' && c <= u'9')
        m.InputDigit(static_cast<char>(c));
    else if (m.ErrorBeep())
        Beep();
}

void TSaNumEdit::keyPressEvent(QKeyEvent* e)
{
    if (HandleKeyDown(*e))
        return e->accept();
    const int key = e->key();
    const Qt::KeyboardModifiers mods = Mods(*e);
    if (IsEnter(key) && FModel->EnterFocusMove()) {
        // A field that is a window of its own has nowhere to move: the key stays unused.
        if (isWindow())
            return e->ignore();
        if (!FModel->ReadOnly())
            PostFocusMove(true);
        return e->accept();
    }
    if ((IsEnter(key) || key == Qt::Key_Escape) && mods == Qt::NoModifier) {
        // The window sees Enter and Escape first (its default button, its Calculate, a
        // dialog's Cancel); one that nobody takes reaches the field as a character, which it
        // refuses with a beep.
        if (!WindowTakesKey(*e))
            InputChar(QChar(IsEnter(key) ? u'\r' : u'\x1b'));
        return e->accept();
    }
    const QString text = e->text();
    // Keys without a character (F1, ...) and menu accelerators belong to the window.
    const bool navigation = IsEnter(key) || key == Qt::Key_Escape || key == Qt::Key_Tab
        || key == Qt::Key_Backtab || key == Qt::Key_Delete;
    const bool accelerator = (mods & (Qt::AltModifier | Qt::MetaModifier)) != 0
        || ((mods & Qt::ControlModifier) != 0 && !text.isEmpty() && text.front() >= u' ');
    if (text.isEmpty() || navigation || accelerator)
        return e->ignore();
    for (QChar ch : text)
        InputChar(ch);
    e->accept();
}

// Offers a copy of the key to the widgets that hold this field, up to its window, as an
// ignored key would travel; true when one of them took it.
bool TSaNumEdit::WindowTakesKey(const QKeyEvent& e)
{
    QWidget* holder = parentWidget();
    if (holder == nullptr || isWindow())
        return false;
    const std::unique_ptr<QKeyEvent> offered(e.clone());
    offered->accept();
    QCoreApplication::sendEvent(holder, offered.get());
    return offered->isAccepted();
}

// Keys this field handles itself win over the window's shortcuts.
bool TSaNumEdit::WantsKey(const QKeyEvent& e) const
{
    const Qt::KeyboardModifiers mods = Mods(e);
    const int key = e.key();
    if (IsEnter(key))
        return FModel->EnterFocusMove();
    if (mods == Qt::ShiftModifier && (key == Qt::Key_Left || key == Qt::Key_Right))
        return true;
    if (mods == Qt::ControlModifier)
        return key == Qt::Key_A || key == Qt::Key_C || key == Qt::Key_V || key == Qt::Key_X;
    if (mods != Qt::NoModifier && mods != Qt::ShiftModifier)
        return false;
    if (IsCaretMoveKey(key) || key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Backspace
        || key == Qt::Key_Delete)
        return mods == Qt::NoModifier;
    return !e.text().isEmpty() && e.text().front() >= u' ';
}

bool TSaNumEdit::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride && WantsKey(*static_cast<QKeyEvent*>(e))) {
        e->accept();
        return true;
    }
    return QWidget::event(e);
}

// The focus moves after the current key has been handled, as a queued request to the window;
// a field that is a window of its own has nowhere to move.
void TSaNumEdit::PostFocusMove(bool next)
{
    if (isWindow())
        return;
    QMetaObject::invokeMethod(
        this, [this, next] { focusNextPrevChild(next); }, Qt::QueuedConnection);
}

void TSaNumEdit::inputMethodEvent(QInputMethodEvent* e)
{
    for (QChar ch : e->commitString())
        InputChar(FoldFullWidth(ch));
    e->accept();
}

QVariant TSaNumEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return CaretRect();
    case Qt::ImFont:
        return font();
    default:
        return QWidget::inputMethodQuery(query);
    }
}

// ---- mouse ---------------------------------------------------------------------------------

void TSaNumEdit::mousePressEvent(QMouseEvent* e)
{
    QWidget::mousePressEvent(e);
    // The press that completes a double click keeps the selection the double click made.
    const bool doubleClick = FDoubleClicked
        || e->flags().testFlag(Qt::MouseEventCreatedDoubleClick);
    if (e->button() == Qt::LeftButton && !doubleClick) {
        if (isActiveWindow())
            setFocus(Qt::MouseFocusReason);
        FModel->Deselect();
    }
    FDoubleClicked = false;
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    e->accept();
}

void TSaNumEdit::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (e->button() == Qt::LeftButton) {
        FModel->SelectAll();
        FDoubleClicked = true;
    }
    e->accept();
}

void TSaNumEdit::mouseReleaseEvent(QMouseEvent* e)
{
    QWidget::mouseReleaseEvent(e);
    FDoubleClicked = false;
    e->accept();
}

// Dragging over the number selects it (the selection is all or nothing).
void TSaNumEdit::mouseMoveEvent(QMouseEvent* e)
{
    if (e->buttons().testFlag(Qt::LeftButton)) {
        const int x = e->position().toPoint().x() - ClientRect().left();
        if (x >= FValueRectCache.left() && x <= FValueRectCache.left() + FValueRectCache.width())
            FModel->SelectAll();
    }
    QWidget::mouseMoveEvent(e);
}

// ---- focus and caret -----------------------------------------------------------------------

void TSaNumEdit::focusInEvent(QFocusEvent* e)
{
    QWidget::focusInEvent(e);
    MakeCaret();
    // Coming back from another window or a popup is not entering the field.
    if (!FEntered) {
        FEntered = true;
        if (FModel->AutoSelect())
            FModel->SelectAll();
    }
}

void TSaNumEdit::focusOutEvent(QFocusEvent* e)
{
    QWidget::focusOutEvent(e);
    KillCaret();
    if (e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason)
        return;
    FEntered = false;
    FModel->DropLoneMinus();
    if (FModel->HideSelection())
        FModel->Deselect();
}

QRect TSaNumEdit::CaretRect() const
{
    const TPoint p = FModel->CaretPoint();
    const QRect client = ClientRect();
    const int caretWidth = font().bold() ? 2 : 1;
    return {client.left() + p.X, client.top() + p.Y, caretWidth, fontMetrics().height()};
}

void TSaNumEdit::MakeCaret()
{
    FCaretActive = true;
    PlaceCaret();
}

// Shows the caret at the end of the number and starts a new blink phase there.
void TSaNumEdit::PlaceCaret()
{
    if (!FCaretActive)
        return;
    FCaretShown = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (flash > 0)
        FCaretTimer->start(flash / 2);
    update();
    if (hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void TSaNumEdit::KillCaret()
{
    FCaretActive = false;
    FCaretShown = false;
    FCaretTimer->stop();
    update();
}

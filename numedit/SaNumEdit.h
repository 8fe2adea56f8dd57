// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// The numeric entry field as a painted Qt widget. TSaNumEdit owns one field model (text
// rules, editing, layout) and is its window: it measures text in its own font, turns keys,
// mouse clicks, focus changes and its context menu into model operations, paints the frame,
// the marks and the number from the model's rectangles, and draws its own caret at the end
// of the number. OnChange is emitted exactly where the model reports a user edit.

#include "numedit/SaNumEditTypes.h"

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTimer;
class TSaNumEditClipboard;
class TSaNumEditHost;
class TSaNumEditModel;

class TSaNumEdit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(bool ArrowFocusMove READ ArrowFocusMove WRITE SetArrowFocusMove)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int BottomMargin READ BottomMargin WRITE SetBottomMargin)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(bool Comma READ Comma WRITE SetComma)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(bool DecimalFixed READ DecimalFixed WRITE SetDecimalFixed)
    Q_PROPERTY(int DecimalLength READ DecimalLength WRITE SetDecimalLength)
    Q_PROPERTY(QColor DisabledColor READ DisabledColor WRITE SetDisabledColor)
    Q_PROPERTY(bool EnterFocusMove READ EnterFocusMove WRITE SetEnterFocusMove)
    Q_PROPERTY(bool ErrorBeep READ ErrorBeep WRITE SetErrorBeep)
    Q_PROPERTY(bool HideSelection READ HideSelection WRITE SetHideSelection)
    Q_PROPERTY(bool ImageCopy READ ImageCopy WRITE SetImageCopy)
    Q_PROPERTY(bool IntegerFixed READ IntegerFixed WRITE SetIntegerFixed)
    Q_PROPERTY(int IntegerLength READ IntegerLength WRITE SetIntegerLength)
    Q_PROPERTY(int LeftMargin READ LeftMargin WRITE SetLeftMargin)
    Q_PROPERTY(QString LeftMark READ LeftMark WRITE SetLeftMark)
    Q_PROPERTY(bool Minus READ Minus WRITE SetMinus)
    Q_PROPERTY(TSaNumEditOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(int RightMargin READ RightMargin WRITE SetRightMargin)
    Q_PROPERTY(QString RightMark READ RightMark WRITE SetRightMark)
    Q_PROPERTY(QString Text READ GetText WRITE SetText)
    Q_PROPERTY(int TopMargin READ TopMargin WRITE SetTopMargin)
    Q_PROPERTY(TVertAlignment VertAlignment READ VertAlignment WRITE SetVertAlignment)

public:
    explicit TSaNumEdit(QWidget* parent = nullptr);
    ~TSaNumEdit() override;

    /// The value text ("-1234.5"), never the shown image.
    virtual QString GetText() const;
    /// Programmatic write: filtered and normalised; no undo step, no OnChange.
    virtual void SetText(const QString& s);

    // clang-format off
    TAlignment Alignment() const;            void SetAlignment(TAlignment value);
    bool ArrowFocusMove() const;             void SetArrowFocusMove(bool value);
    bool AutoSelect() const;                 void SetAutoSelect(bool value);
    bool AutoSize() const;                   void SetAutoSize(bool value);
    TBorderStyle BorderStyle() const;        void SetBorderStyle(TBorderStyle value);
    int BottomMargin() const;                void SetBottomMargin(int value);
    QColor Color() const;                    void SetColor(const QColor& value);
    bool Comma() const;                      void SetComma(bool value);
    bool Ctl3D() const;                      void SetCtl3D(bool value);
    bool DecimalFixed() const;               void SetDecimalFixed(bool value);
    int DecimalLength() const;               void SetDecimalLength(int value);
    QColor DisabledColor() const;            void SetDisabledColor(const QColor& value);
    bool EnterFocusMove() const;             void SetEnterFocusMove(bool value);
    bool ErrorBeep() const;                  void SetErrorBeep(bool value);
    bool HideSelection() const;              void SetHideSelection(bool value);
    bool ImageCopy() const;                  void SetImageCopy(bool value);
    bool IntegerFixed() const;               void SetIntegerFixed(bool value);
    int IntegerLength() const;               void SetIntegerLength(int value);
    int LeftMargin() const;                  void SetLeftMargin(int value);
    QString LeftMark() const;                void SetLeftMark(const QString& value);
    bool Minus() const;                      void SetMinus(bool value);
    TSaNumEditOptions Options() const;       void SetOptions(TSaNumEditOptions value);
    bool ReadOnly() const;                   void SetReadOnly(bool value);
    int RightMargin() const;                 void SetRightMargin(int value);
    QString RightMark() const;               void SetRightMark(const QString& value);
    int TopMargin() const;                   void SetTopMargin(int value);
    TVertAlignment VertAlignment() const;    void SetVertAlignment(TVertAlignment value);
    // clang-format on

    /// What is shown ("1,234.5 mM") and whether it is selected (all or nothing).
    QString ImageText() const;
    bool Selected() const;

    /// The context menu opened by a right click: the field's own eight-item menu unless a
    /// form set another one; SetPopupMenu(nullptr) leaves the field without a menu.
    QMenu* PopupMenu() const;
    void SetPopupMenu(QMenu* menu);
    /// Before the menu opens: the field takes the focus and its own items are enabled.
    virtual void UpdatePopupMenu();
    /// Runs the command of a menu item by its tag (QAction::data 0..7).
    virtual void PopupCommand(QAction* item);

    /// Refused input calls this instead of QApplication::beep() when set (a form may mute
    /// the field; tests count the beeps).
    void SetBeepHandler(std::function<void()> handler) { FBeepHandler = std::move(handler); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

Q_SIGNALS:
    /// After a user edit: typing, deleting, cut, paste, undo. Never after SetText.
    void OnChange();

protected:
    TSaNumEdit(QWidget* parent, std::unique_ptr<TSaNumEditModel> model);
    TSaNumEditModel& Model() { return *FModel; }
    const TSaNumEditModel& Model() const { return *FModel; }

    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    class THost;

    int FrameWidth() const;
    QRect ClientRect() const;
    QRect CaretRect() const;
    void AdjustHeight();
    void MakeCaret();
    void PlaceCaret();
    void KillCaret();
    void Beep();
    void InputChar(QChar ch);
    bool WindowTakesKey(const QKeyEvent& e);
    bool HandleKeyDown(const QKeyEvent& e);
    bool WantsKey(const QKeyEvent& e) const;
    void PostFocusMove(bool next);
    void BuildPopupMenu();

    // The adapters outlive the model that points at them (members die in reverse order).
    std::unique_ptr<TSaNumEditHost> FHost;
    std::unique_ptr<TSaNumEditClipboard> FClipboard;
    std::unique_ptr<TSaNumEditModel> FModel;
    QColor FColor;         // invalid: the palette's base colour
    QColor FDisabledColor; // invalid: the palette's disabled text colour
    QTimer* FCaretTimer = nullptr;
    bool FCaretActive = false;   // between MakeCaret and KillCaret
    bool FCaretShown = false;    // the blink phase
    bool FDoubleClicked = false; // the next left press belongs to a double click
    bool FEntered = false;       // the form's current control: left only by a real exit
    QRect FValueRectCache;       // the number's rectangle at the last paint, client pixels
    QMenu* FOwnMenu = nullptr;
    QPointer<QMenu> FPopupMenu;
    std::function<void()> FBeepHandler;
};

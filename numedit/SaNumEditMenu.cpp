// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The field's own context menu: eight items whose tags select the command, enabled by the
// state of the field each time the menu opens.
#include "numedit/SaNumEdit.h"
#include "numedit/SaNumEditModel.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

#include <array>

namespace {
// Menu item tags (QAction::data) and captions; "-" is a separator.
enum TPopupTag { ptUndo, ptSep1, ptCut, ptCopy, ptPaste, ptDelete, ptSep2, ptSelectAll };
constexpr std::array<const char*, 8> PopupCaptions = {
    "元に戻す(&U)", "-", "切り取り(&T)",  "コピー(&C)", "貼り付け(&P)",
    "削除(&D)",     "-", "すべて選択(&A)"};
} // namespace

void TSaNumEdit::BuildPopupMenu()
{
    FOwnMenu = new QMenu(this);
    for (std::size_t i = 0; i < PopupCaptions.size(); ++i) {
        const QString caption = QString::fromUtf8(PopupCaptions[i]);
        QAction* item = caption == u"-" ? FOwnMenu->addSeparator() : FOwnMenu->addAction(caption);
        item->setData(static_cast<int>(i));
        connect(item, &QAction::triggered, this, [this, item] { PopupCommand(item); });
    }
    connect(FOwnMenu, &QMenu::aboutToShow, this, &TSaNumEdit::UpdatePopupMenu);
    FPopupMenu = FOwnMenu;
}

QMenu* TSaNumEdit::PopupMenu() const
{
    return FPopupMenu;
}

void TSaNumEdit::SetPopupMenu(QMenu* menu)
{
    FPopupMenu = menu;
}

void TSaNumEdit::UpdatePopupMenu()
{
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    const TSaNumEditModel& m = *FModel;
    const bool selected = m.SelLength() != 0;
    const bool writable = !m.ReadOnly();
    for (QAction* item : FOwnMenu->actions()) {
        switch (item->data().toInt()) {
        case ptUndo:
            item->setEnabled(m.UndoAvailable() && writable);
            break;
        case ptCut:
            item->setEnabled(selected && writable);
            break;
        case ptCopy:
            item->setEnabled(selected);
            break;
        case ptPaste:
            item->setEnabled(FClipboard->HasText() && writable);
            break;
        case ptDelete:
            item->setEnabled(selected && writable);
            break;
        case ptSelectAll:
            item->setEnabled(!selected && !m.ValueText().empty());
            break;
        default:
            break;
        }
    }
}

void TSaNumEdit::PopupCommand(QAction* item)
{
    TSaNumEditModel& m = *FModel;
    const int tag = item->data().toInt();
    // The editing commands do not check ReadOnly themselves.
    if (m.ReadOnly() && tag != ptCopy && tag != ptSelectAll)
        return;
    switch (tag) {
    case ptUndo:
        m.Undo();
        break;
    case ptCut:
        m.CutText();
        break;
    case ptCopy:
        m.CopyText();
        break;
    case ptPaste:
        m.PasteText();
        break;
    case ptDelete:
        m.ClearText();
        break;
    case ptSelectAll:
        m.SelectAll();
        break;
    default:
        break;
    }
}

void TSaNumEdit::contextMenuEvent(QContextMenuEvent* e)
{
    if (!FPopupMenu)
        return e->ignore();
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    const QPoint at = e->reason() == QContextMenuEvent::Keyboard
        ? mapToGlobal(CaretRect().bottomLeft())
        : e->globalPos();
    FPopupMenu->popup(at);
    e->accept();
}

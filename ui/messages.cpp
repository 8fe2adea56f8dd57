// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/messages.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

TMessageSink MessageBoxSink()
{
    return [](QWidget* parent, TMessageKind kind, const QString& text) {
        const QString title = QApplication::applicationDisplayName();
        if (kind == TMessageKind::mkError)
            QMessageBox::critical(parent, title, text);
        else
            QMessageBox::information(parent, title, text);
    };
}

bool RunCommand(QWidget* parent, const TMessageSink& sink, const std::function<void()>& command)
{
    // An exception must not cross Qt's event dispatch, so each command catches here, where
    // the framework's top-level handler would show the message.
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        if (sink)
            sink(parent, TMessageKind::mkError, QString::fromUtf8(e.what()));
    }
    return false;
}

// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#pragma once

// A small dialog with three fields (aEdit, bEdit, cEdit) and a default OK button, shown and
// active, counting beeps, OnChange signals and OK presses.

#include "numedit/SaNumEditExCX.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <array>

#include <gtest/gtest.h>

class NumEditWidget : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&Dialog);
        const std::array<const char*, 3> names = {"aEdit", "bEdit", "cEdit"};
        for (std::size_t i = 0; i < Fields.size(); ++i) {
            auto* edit = new TSaNumEditExCX(&Dialog);
            edit->setObjectName(QString::fromLatin1(names[i]));
            edit->SetDecimalLength(8);
            edit->SetBeepHandler([this] { ++Beeps; });
            QObject::connect(edit, &TSaNumEdit::OnChange, &Dialog, [this] { ++Changes; });
            layout->addWidget(edit);
            Fields[i] = edit;
        }
        Ok = new QPushButton(QStringLiteral("OK"), &Dialog);
        Ok->setDefault(true);
        layout->addWidget(Ok);
        QObject::connect(Ok, &QPushButton::clicked, &Dialog, [this] { ++OkPresses; });
        Dialog.show();
        Dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Dialog));
        Focus(A());
    }

    TSaNumEditExCX* A() { return Fields[0]; }
    TSaNumEditExCX* B() { return Fields[1]; }
    TSaNumEditExCX* C() { return Fields[2]; }
    void Focus(QWidget* w)
    {
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(w->hasFocus());
    }
    // Delivers the focus moves the fields queued.
    static void RunQueued() { QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall); }
    static QString Focused()
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }

    QDialog Dialog;
    std::array<TSaNumEditExCX*, 3> Fields {};
    QPushButton* Ok = nullptr;
    int Beeps = 0;
    int Changes = 0;
    int OkPresses = 0;
};

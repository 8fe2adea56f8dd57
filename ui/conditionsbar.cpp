// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/conditionsbar.h"

#include "report/conditions.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

void ShowConditions(QMainWindow* window, const TEngine& engine)
{
    // The bar is made only when first needed, so that a window that never leaves the
    // default conditions keeps its designed client area.
    QStatusBar* bar = window->findChild<QStatusBar*>(QStringLiteral("ConditionsBar"));
    if (engine.HasDefaultConditions()) {
        if (bar)
            bar->hide();
        return;
    }
    if (!bar) {
        bar = new QStatusBar(window);
        bar->setObjectName(QStringLiteral("ConditionsBar"));
        bar->setSizeGripEnabled(false);
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("ConditionsLabel"));
        bar->addWidget(label, 1);
        window->setStatusBar(bar);
    }
    std::string text;
    try {
        text = ConditionsLine(engine);
    } catch (const TCalcError&) {
        // pcH has no value at a negative ionic strength; the next calculation says why.
        text = "Constants: " + engine.Origin().SetName;
    }
    auto* label = bar->findChild<QLabel*>(QStringLiteral("ConditionsLabel"));
    label->setText(QString::fromStdString(text));
    label->setToolTip(label->text());
    bar->show();
}

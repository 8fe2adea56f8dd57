// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/conditionsbar.h"

#include "report/conditions.h"

#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>

namespace {

// A label that never asks for more width than it is given: a long line (a set's long name, a
// path) is cut with an ellipsis where it meets the window's edge instead of widening the
// window; its tool tip holds the whole line.
class TElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
    QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        style()->drawItemText(
            &painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
    }
};

} // namespace

QLabel* MakeElidedLabel(QWidget* parent)
{
    auto* label = new TElidedLabel(parent);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

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
        QLabel* label = MakeElidedLabel(bar);
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

// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/constform.h"

#include "engine/asciitext.h"
#include "engine/bindconst.h"
#include "engine/realtext.h"
#include "ui/constsetpanel.h"
#include "ui/look.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>
#include <string>

namespace {

// The designed outer size is 355 x 431; with a 4-pixel sizing border and a 19-pixel
// caption that leaves this client area, in which every control keeps its designed place.
constexpr int ClientWidth = 347;
constexpr int ClientHeight = 404;
constexpr int ColumnWidth = 60;
constexpr int RowHeight = 18;

// One of the five buttons under the grid.
QPushButton* MakeDialogButton(QWidget* parent, const char* name, const char* caption, int left)
{
    return MakeButton(parent, name, caption, QRect(left, 368, 57, 25));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int top)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(8, top);
    label->adjustSize();
    return label;
}

// A cell holds "%10.3f" text; its leading blanks only pad the number to the right in a
// fixed-pitch font. Drawn right-aligned without them, the numbers line up in any font and
// fit the narrow step columns; the cell's text itself stays as written.
class TTrimmedDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override
    {
        return QStyledItemDelegate::displayText(value, locale).trimmed();
    }
};

TReal Entry(const TConstTable& table, int row, int col)
{
    const TGridEntry at = GridEntry(row, col);
    return table[at.Ligand][at.Partner][at.Step];
}

} // namespace

TGridEntry GridEntry(int row, int col)
{
    return {static_cast<TLigand>(row / 3), static_cast<TPartner>(row % 3),
            static_cast<std::size_t>(col - 1)};
}

std::optional<TReal> CellToReal(std::string_view text)
{
    // The entry fields' rule also forgives trailing blanks; a cell does not.
    if (text.empty() || IsBlank(text.back()))
        return std::nullopt;
    return TextToReal(text);
}

TConstForm::TConstForm(TEngine& engine, QWidget* parent)
    : QDialog(parent)
    , FEngine(engine)
{
    setObjectName(QStringLiteral("ConstForm"));
    setWindowTitle(QStringLiteral("Binding Constants"));
    setFont(DesignFont(font()));
    resize(ClientWidth, ClientHeight);

    Label1 = MakeLabel(this, "Label1", "Binding constants at  the ionic strength of 0.1 M", 8);
    Label2 = MakeLabel(this, "Label2", "Note: These values are from various sources.", 344);

    ConstGrid = new QTableWidget(RowCount, ColCount, this);
    ConstGrid->setObjectName(QStringLiteral("ConstGrid"));
    ConstGrid->setGeometry(8, 32, 329, 305);
    // The column headers name each step by the complex it forms: HL ... H4L for the H rows,
    // ML, MHL and MH2L for the Mg and Ca rows.
    ConstGrid->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("Step 0\nHL, ML"), QStringLiteral("Step 1\nH\u2082L, MHL"),
         QStringLiteral("Step 2\nH\u2083L, MH\u2082L"), QStringLiteral("Step 3\nH\u2084L")});
    ConstGrid->verticalHeader()->hide();
    ConstGrid->horizontalHeader()->setMinimumSectionSize(1);
    ConstGrid->verticalHeader()->setMinimumSectionSize(1);
    ConstGrid->horizontalHeader()->setDefaultSectionSize(ColumnWidth);
    ConstGrid->verticalHeader()->setDefaultSectionSize(RowHeight);
    ConstGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ConstGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    ConstGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                               | QAbstractItemView::AnyKeyPressed
                               | QAbstractItemView::SelectedClicked);
    ConstGrid->setTabKeyNavigation(true);
    ConstGrid->setItemDelegate(new TTrimmedDelegate(ConstGrid));

    // Column 0 is the fixed label column: shaded like a button face, neither selectable
    // nor editable, and skipped by the cursor keys because its cells are not enabled.
    const QBrush fixedBack = palette().brush(QPalette::Button);
    const QBrush fixedText = palette().brush(QPalette::ButtonText);
    for (int row = 0; row < RowCount; ++row) {
        const std::string label = std::string(LigandNames[static_cast<std::size_t>(row / 3)]) + "-"
            + std::string(PartnerNames[static_cast<std::size_t>(row % 3)]);
        auto* fixed = new QTableWidgetItem(QString::fromLatin1(label.c_str()));
        fixed->setFlags(Qt::NoItemFlags);
        fixed->setBackground(fixedBack);
        fixed->setForeground(fixedText);
        ConstGrid->setItem(row, 0, fixed);
        for (int col = 1; col < ColCount; ++col) {
            auto* cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            ConstGrid->setItem(row, col, cell);
        }
    }
    // The labels are wider than 60 pixels in most desktop fonts; the grid has room.
    ConstGrid->resizeColumnToContents(0);
    ConstGrid->setColumnWidth(0, std::max(ColumnWidth, ConstGrid->columnWidth(0)));
    ConstGrid->setCurrentCell(0, 1);

    BtnOK = MakeDialogButton(this, "BtnOK", "&OK", 16);
    BtnOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BtnOK->setDefault(true);
    BtnApply = MakeDialogButton(this, "BtnApply", "&Apply", 80);
    BtnDefault = MakeDialogButton(this, "BtnDefault", "&Default", 144);
    BtnCancel = MakeDialogButton(this, "BtnCancel", "&Cancel", 208);
    BtnHelp = MakeDialogButton(this, "BtnHelp", "&Help", 272);
    BtnHelp->setEnabled(false);

    setTabOrder(BtnOK, BtnApply);
    setTabOrder(BtnApply, BtnDefault);
    setTabOrder(BtnDefault, BtnCancel);
    setTabOrder(BtnCancel, ConstGrid);
    BtnOK->setFocus();

    connect(BtnOK, &QPushButton::clicked, this, &TConstForm::BtnOKClick);
    connect(BtnApply, &QPushButton::clicked, this, &TConstForm::BtnApplyClick);
    connect(BtnDefault, &QPushButton::clicked, this, &TConstForm::BtnDefaultClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TConstForm::BtnCancelClick);

    // The constant set, temperature and pH scale take a column of their own beside the
    // designed controls, which keep their places.
    FSetPanel = new TConstSetPanel(
        FEngine, ConstGrid, [this](const TConstTable& table) { ShowTable(table); }, FMessageSink,
        this);
    FSetPanel->setGeometry(
        ClientWidth, 8, TConstSetPanel::PanelWidth - 8, TConstSetPanel::PanelHeight - 16);
    resize(ClientWidth + TConstSetPanel::PanelWidth,
           std::max(ClientHeight, TConstSetPanel::PanelHeight));

    ShowConst();
}

void TConstForm::ShowConst()
{
    ShowTable(FEngine.BaseConst());
}

void TConstForm::ShowTable(const TConstTable& table)
{
    for (int row = 0; row < RowCount; ++row) {
        for (int col = 1; col < ColCount; ++col) {
            const TReal value = Entry(table, row, col);
            // FormatFixed always writes "." whatever the user's locale.
            ConstGrid->item(row, col)->setText(
                value > 0 ? QString::fromStdString(FormatFixed(value, 10, 3)) : QString());
        }
    }
}

void TConstForm::SetConst()
{
    for (int row = 0; row < RowCount; ++row) {
        for (int col = 1; col < ColCount; ++col) {
            const std::string text = ConstGrid->item(row, col)->text().toStdString();
            const std::optional<TReal> value = CellToReal(text);
            const auto [lig, partner, step] = GridEntry(row, col);
            FEngine.SetBaseEntry(lig, partner, step, value && *value > 0 ? *value : 0);
        }
    }
}

bool TConstForm::ApplyConst()
{
    // A negative ionic strength or a constant too large for the apparent table stops the
    // command here; the grid has already been written into BaseConst by then.
    const bool applied = RunCommand(this, FMessageSink, [this] {
        // A temperature that cannot be used stops the command before anything is read.
        const TConstSetPanel::TConditions conditions = FSetPanel->ReadConditions();
        SetConst();
        FSetPanel->ApplyTo(conditions);
        FEngine.AdjustConstants();
        FEngine.MakeApparentConstants();
        ShowConst();
        FSetPanel->ShowEngineState();
    });
    if (applied)
        Q_EMIT ConstantsApplied();
    return applied;
}

void TConstForm::BtnOKClick()
{
    if (ApplyConst())
        accept();
}

void TConstForm::BtnApplyClick()
{
    ApplyConst();
}

void TConstForm::BtnDefaultClick()
{
    // The derived tables are rebuilt by the next Apply, OK or calculation.
    FEngine.LoadDefaultConstants();
    FSetPanel->ChooseBuiltIn();
    ShowConst();
    Q_EMIT ConstantsApplied();
}

void TConstForm::BtnCancelClick()
{
    reject();
}

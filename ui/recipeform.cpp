// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/recipeform.h"

#include "engine/calcerror.h"
#include "numedit/SaNumEditExCX.h"
#include "recipe/recipefile.h"
#include "recipe/recipeoutput.h"
#include "request/runconditions.h"
#include "ui/fieldrows.h"
#include "ui/furtherform.h"
#include "ui/look.h"
#include "ui/main.h"
#include "ui/recipesheet.h"

#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

using enum TValueField;

namespace {

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString Significant(TReal x, int digits = 6)
{
    return QString::fromStdString(SignificantText(x, digits));
}

QString Fixed(TReal x, int decimals)
{
    return QString::fromStdString(FixedText(x, decimals));
}

// The calculation's values in two columns, as the main window places them.
constexpr const std::array<TFieldRow, ValueFieldCount>& FieldRows = ValueFieldRows;

constexpr std::size_t BuiltInCount = BuiltInComponents.size();

constexpr std::array<std::string_view, 3> StrongTitrants {"KOH", "NaOH", "HCl"};

// The number in `field`; one that holds none names the field in its message.
TReal ValueOf(const TSaNumEditExCX* field, const QString& label)
{
    try {
        return field->GetValue();
    } catch (const TCalcError& e) {
        throw TCalcError(label.toStdString() + ": " + e.what());
    }
}

bool IsEnterKey(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// A field that may be left empty: none when it is.
std::optional<TReal> OptionalValue(const TSaNumEditExCX* field, const QString& label)
{
    if (field->GetText().trimmed().isEmpty())
        return std::nullopt;
    return ValueOf(field, label);
}

void SetOptionalValue(TSaNumEditExCX* field, const std::optional<TReal>& x)
{
    if (x)
        field->SetValue(*x);
    else
        field->SetText(QString());
}

template <typename TMap>
std::optional<TReal> Find(const TMap& map, const std::string& key)
{
    const auto it = map.find(key);
    return it == map.end() ? std::nullopt : std::optional<TReal>(it->second);
}

QTableWidgetItem* Item(const QString& text, bool number = false)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (number)
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

} // namespace

std::vector<const TSalt*> MatchingSalts(const TRecipe& recipe, const std::string& key)
{
    TRecipe probe = DefaultRecipe();
    probe.Constants = recipe.Constants;
    if (key == "buffer" && !recipe.Buffer)
        return {};
    std::vector<const TSalt*> salts;
    for (const TSalt& salt : SaltLibrary()) {
        TRecipe r = probe;
        if (key == "titrant") {
            r.Titrant = salt;
        } else if (key == "filler") {
            r.Filler = salt;
        } else if (key == "buffer") {
            r.Buffer = recipe.Buffer;
            r.Buffer->Salt = salt;
        } else {
            r.Salts[key] = salt;
        }
        // A titrant is one of the strong bases and acids a lab titrates with: the check
        // would also take a buffer's free acid, whose anion is no spectator.
        if (key == "titrant" && !std::ranges::any_of(StrongTitrants, [&](std::string_view name) {
                return salt.Name == name;
            }))
            continue;
        try {
            CheckRecipe(r);
            salts.push_back(&salt);
        } catch (const TRecipeError&) {
            // not a salt of this component
        }
    }
    return salts;
}

TRecipeForm::TRecipeForm(TMainForm& mainForm, TMessageSink sink, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , FMainForm(mainForm)
    , FSink(std::move(sink))
    , FRecipe(DefaultRecipe())
{
    setObjectName(QStringLiteral("RecipeForm"));
    setWindowTitle(QStringLiteral("Recipe"));
    setFont(DesignFont(font()));

    auto* inputs = new QWidget;
    auto* column = new QVBoxLayout(inputs);
    column->addWidget(CreateCalculationBox());
    column->addWidget(CreateLigandBox());
    column->addWidget(CreateComponentBox());
    column->addWidget(CreateSolutionBox());
    column->addStretch();
    auto* scroll = new QScrollArea;
    scroll->setWidget(inputs);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(inputs->sizeHint().width() + 24);

    auto* left = new QVBoxLayout;
    left->addWidget(scroll, 1);
    left->addWidget(CreateButtons());
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(CreateResults(), 1);
    resize(1240, 820);
    Load(FRecipe);
}

TRecipeForm::~TRecipeForm() = default;

TSaNumEditExCX* TRecipeForm::NewField(const QString& name, int decimals)
{
    auto* edit = new TSaNumEditExCX;
    edit->setObjectName(name);
    edit->setFixedSize(81, 24);
    edit->SetDecimalLength(decimals);
    edit->setCursor(Qt::IBeamCursor);
    return edit;
}

QWidget* TRecipeForm::CreateCalculationBox()
{
    auto* box = new QGroupBox(QStringLiteral("Solution and calculation (concentrations in mM)"));
    auto* grid = new QGridLayout(box);
    NameEdit = new QLineEdit;
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    NameEdit->setPlaceholderText(QStringLiteral("e.g. pCa 9 relaxing"));
    VolumeEdit = NewField(QStringLiteral("VolumeEdit"), 6);
    ModeCombo = new QComboBox;
    ModeCombo->setObjectName(QStringLiteral("ModeCombo"));
    for (int mode = 0; mode < ModeCount; ++mode)
        ModeCombo->addItem(QString::number(mode) + QStringLiteral("  ")
                           + Q(ModeCaptions[static_cast<std::size_t>(mode)]));
    ConstantsCombo = new QComboBox;
    ConstantsCombo->setObjectName(QStringLiteral("ConstantsCombo"));
    ScaleCombo = new QComboBox;
    ScaleCombo->setObjectName(QStringLiteral("ScaleCombo"));
    ScaleCombo->addItems({QStringLiteral("concentration"), QStringLiteral("activity")});
    TemperatureEdit = NewField(QStringLiteral("TemperatureEdit"), 4);
    TemperatureEdit->setToolTip(QStringLiteral("Empty: the constants' own temperature"));

    grid->addWidget(new QLabel(QStringLiteral("Name")), 0, 0);
    grid->addWidget(NameEdit, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Final volume (ml)")), 1, 0);
    grid->addWidget(VolumeEdit, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Mode")), 2, 0);
    grid->addWidget(ModeCombo, 2, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Constants")), 3, 0);
    grid->addWidget(ConstantsCombo, 3, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Temperature (\u00B0C)")), 4, 0);
    grid->addWidget(TemperatureEdit, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("pH scale")), 4, 2);
    grid->addWidget(ScaleCombo, 4, 3);
    // pH and the target ionic strength first, then the totals and the controlled values
    // in two columns, concentrations in mM.
    for (std::size_t i = 0; i < FieldRows.size(); ++i) {
        const TFieldRow& row = FieldRows[i];
        const int gridRow = 5 + static_cast<int>(i / 2);
        const int col = static_cast<int>(i % 2) * 2;
        QString label = QString::fromLatin1(row.Label);
        if (row.Field == vfIonStr)
            label = QStringLiteral("Ionic strength, target (M)");
        grid->addWidget(new QLabel(label), gridRow, col);
        TSaNumEditExCX* edit = NewField(QString::fromLatin1(row.Name));
        FFields[static_cast<std::size_t>(row.Field)] = edit;
        grid->addWidget(edit, gridRow, col + 1);
    }
    connect(ModeCombo, &QComboBox::currentIndexChanged, this, &TRecipeForm::ModeChanged);
    connect(ConstantsCombo, &QComboBox::currentIndexChanged, this, &TRecipeForm::ConstantsChanged);
    return box;
}

QWidget* TRecipeForm::CreateLigandBox()
{
    auto* box = new QGroupBox(QStringLiteral("Further ligands (total, mM)"));
    auto* grid = new QGridLayout(box);
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        const QString n = QString::number(i + 1);
        FLigandCombos[i] = new QComboBox;
        FLigandCombos[i]->setObjectName(QStringLiteral("LigandCombo") + n);
        FLigandTotals[i] = NewField(QStringLiteral("LigandTotal") + n);
        const int row = static_cast<int>(i / 2), col = static_cast<int>(i % 2) * 2;
        grid->addWidget(FLigandCombos[i], row, col);
        grid->addWidget(FLigandTotals[i], row, col + 1);
        connect(
            FLigandCombos[i], &QComboBox::currentIndexChanged, this, &TRecipeForm::LigandsChanged);
    }
    return box;
}

QWidget* TRecipeForm::CreateComponentBox()
{
    auto* box = new QGroupBox(QStringLiteral("Components: salt weighed, purity, stock solution"));
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Salt")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Purity")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Stock (mM)")), 0, 3);
    const auto makeRow = [&](TSaltRow& row, const QString& suffix, int gridRow, bool purity) {
        row.Label = new QLabel;
        row.Salt = new QComboBox;
        row.Salt->setObjectName(QStringLiteral("SaltCombo_") + suffix);
        row.Salt->setMinimumContentsLength(24);
        row.Salt->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        if (purity) {
            row.Purity = NewField(QStringLiteral("Purity_") + suffix, 6);
            grid->addWidget(row.Purity, gridRow, 2);
        }
        row.Stock = NewField(QStringLiteral("Stock_") + suffix, 4);
        row.Stock->setToolTip(QStringLiteral("Empty: weighed into the solution"));
        grid->addWidget(row.Label, gridRow, 0);
        grid->addWidget(row.Salt, gridRow, 1);
        grid->addWidget(row.Stock, gridRow, 3);
    };
    int gridRow = 1;
    for (std::size_t i = 0; i < FComponents.size(); ++i) {
        const QString suffix = i < BuiltInCount
            ? Q(BuiltInComponents[i])
            : QStringLiteral("further%1").arg(i - BuiltInCount + 1);
        makeRow(FComponents[i], suffix, gridRow++, true);
        if (i < BuiltInCount) {
            FComponents[i].Key = std::string(BuiltInComponents[i]);
            FComponents[i].Label->setText(Q(ComponentCaption(FComponents[i].Key)));
        }
    }
    ContaminatingEdit = NewField(QStringLiteral("ContaminatingEdit"), 6);
    grid->addWidget(
        new QLabel(QStringLiteral("Contaminating Ca from water and salts (mM)")), gridRow, 0, 1, 2);
    grid->addWidget(ContaminatingEdit, gridRow++, 2);

    BufferCombo = new QComboBox;
    BufferCombo->setObjectName(QStringLiteral("BufferCombo"));
    BufferTotalEdit = NewField(QStringLiteral("BufferTotalEdit"), 6);
    grid->addWidget(new QLabel(QStringLiteral("pH buffer, total (mM)")), gridRow, 0);
    grid->addWidget(BufferCombo, gridRow, 1);
    grid->addWidget(BufferTotalEdit, gridRow++, 2);
    makeRow(FBufferRow, QStringLiteral("buffer"), gridRow++, true);
    FBufferRow.Label->setText(QStringLiteral("pH buffer's salt"));
    makeRow(FTitrantRow, QStringLiteral("titrant"), gridRow++, false);
    FTitrantRow.Key = "titrant";
    FTitrantRow.Label->setText(QStringLiteral("Titrant"));
    makeRow(FFillerRow, QStringLiteral("filler"), gridRow++, true);
    FFillerRow.Key = "filler";
    FFillerRow.Label->setText(QStringLiteral("Filler"));
    connect(BufferCombo, &QComboBox::currentIndexChanged, this, &TRecipeForm::BufferChanged);
    return box;
}

QWidget* TRecipeForm::CreateSolutionBox()
{
    auto* note = new QLabel(QStringLiteral(
        "The totals are of the pure substances: the masses on the sheet are of the salts as "
        "weighed, for their purity. A stock (mM of the salt) gives the volume to pipette "
        "instead of a mass; the titrant's stock gives the volume to expect."));
    note->setWordWrap(true);
    return note;
}

QWidget* TRecipeForm::CreateButtons()
{
    auto* panel = new QWidget;
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    const auto add = [&](const char* name, const char* caption, int row, int col,
                         void (TRecipeForm::*handler)()) {
        auto* button = new QPushButton(QString::fromUtf8(caption));
        button->setObjectName(QString::fromLatin1(name));
        grid->addWidget(button, row, col);
        connect(button, &QPushButton::clicked, this, handler);
        return button;
    };
    CalcBtn = new QPushButton(QStringLiteral("&Calculate"));
    CalcBtn->setObjectName(QStringLiteral("CalcBtn"));
    grid->addWidget(CalcBtn, 0, 0);
    connect(CalcBtn, &QPushButton::clicked, this, [this] { Calculate(); });
    add("TakeBtn", "&Take main window", 0, 1, &TRecipeForm::TakeMainWindow);
    add("OpenBtn", "&Open...", 1, 0, &TRecipeForm::OpenClicked);
    add("SaveBtn", "&Save...", 1, 1, &TRecipeForm::SaveClicked);
    add("PdfBtn", "Save as &PDF...", 2, 0, &TRecipeForm::PdfClicked);
    add("CopyBtn", "Cop&y sheet", 2, 1, &TRecipeForm::CopySheet);
    return panel;
}

QWidget* TRecipeForm::CreateResults()
{
    WeighingTable = new QTableWidget(0, 6);
    WeighingTable->setObjectName(QStringLiteral("WeighingTable"));
    WeighingTable->setHorizontalHeaderLabels(
        {QStringLiteral("Step"), QStringLiteral("Component"), QStringLiteral("Salt"),
         QStringLiteral("mM"), QStringLiteral("Weigh or pipette"), QStringLiteral("Purity")});
    WeighingTable->verticalHeader()->hide();
    WeighingTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    WeighingTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    WeighingTable->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    FStepLabel = new QLabel;
    FStepLabel->setObjectName(QStringLiteral("StepLabel"));
    FStepLabel->setWordWrap(true);
    SolutionTable = new QTableWidget(0, 2);
    SolutionTable->setObjectName(QStringLiteral("SolutionTable"));
    SolutionTable->setHorizontalHeaderLabels(
        {QStringLiteral("The solution as made"), QStringLiteral("")});
    SolutionTable->verticalHeader()->hide();
    SolutionTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    SolutionTable->horizontalHeader()->setStretchLastSection(true);
    MessageLabel = new QLabel;
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setWordWrap(true);
    MessageLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(new QLabel(QStringLiteral("Weighing sheet")));
    column->addWidget(WeighingTable, 3);
    column->addWidget(FStepLabel);
    column->addWidget(SolutionTable, 2);
    column->addWidget(MessageLabel);
    return panel;
}

void TRecipeForm::ModeChanged()
{
    // As in the main window: a value that is no input of the mode is shown, not edited.
    const auto mode = static_cast<TCalcMode>(ModeCombo->currentIndex());
    for (TValueField f : AllValueFields) {
        TSaNumEditExCX* field = FFields[static_cast<std::size_t>(f)];
        const bool input = f == vfpH || f == vfIonStr || IsModeInput(mode, f);
        field->setEnabled(input);
        field->SetColor(palette().color(input ? QPalette::Base : QPalette::Button));
    }
}

TRunConstants TRecipeForm::ConstantsOf(const std::string& name) const
{
    if (name == FRecipe.ConstantsName)
        return FRecipeConstants;
    return ResolveConstants(name, {});
}

TRecipe TRecipeForm::RecipeWithoutSalts() const
{
    // The recipe's constants and further ligands, with nothing else chosen: what a salt
    // of a component is checked against.
    TRecipe probe = DefaultRecipe();
    try {
        probe.Constants = ConstantsOf(ConstantsCombo->currentData().toString().toStdString());
        for (QComboBox* combo : FLigandCombos) {
            const std::string name = combo->currentData().toString().toStdString();
            if (!name.empty())
                AddRunLigand(probe.Constants, name, "Further ligands");
        }
    } catch (const std::exception&) {
        // Calculate says why; the salts offered are those of the built-in components.
    }
    return probe;
}

void TRecipeForm::ConstantsChanged()
{
    if (FLoading)
        return;
    TRunConstants constants;
    try {
        constants = ConstantsOf(ConstantsCombo->currentData().toString().toStdString());
    } catch (const std::exception& e) {
        ShowProblem(QString::fromUtf8(e.what()));
        return;
    }
    // The ligands offered are those the constants know; a chosen one they do not know is
    // dropped, and the user told.
    QStringList dropped;
    FLoading = true;
    for (QComboBox* combo : FLigandCombos) {
        const QString chosen = combo->currentData().toString();
        combo->clear();
        combo->addItem(QStringLiteral("(none)"), QString());
        for (const TKnownLigand& known : KnownLigands(constants.Set))
            combo->addItem(Q(known.Def->Name), Q(known.Def->Name));
        const int index = combo->findData(chosen);
        if (index < 0)
            dropped << chosen;
        combo->setCurrentIndex(std::max(index, 0));
    }
    FLoading = false;
    LigandsChanged();
    if (!dropped.isEmpty())
        ShowProblem(QStringLiteral("These constants do not know %1: dropped.")
                        .arg(dropped.join(QStringLiteral(", "))));
}

void TRecipeForm::FillSaltRow(TSaltRow& row, const TRecipe& recipe, const std::string& key,
                              const std::optional<TSalt>& chosen)
{
    const bool component = key != "buffer" && key != "titrant" && key != "filler";
    row.Key = key;
    row.Options.clear();
    if (component)
        row.Options.push_back(std::nullopt); // the default salt
    for (const TSalt* salt : MatchingSalts(recipe, key))
        row.Options.push_back(*salt);
    int current = 0;
    if (chosen) {
        const auto it = std::ranges::find(row.Options, chosen);
        if (it == row.Options.end()) {
            row.Options.push_back(chosen); // the recipe's own salt
            current = static_cast<int>(row.Options.size()) - 1;
        } else {
            current = static_cast<int>(it - row.Options.begin());
        }
    }
    row.Salt->clear();
    for (const std::optional<TSalt>& option : row.Options) {
        if (option) {
            const bool bundled = std::ranges::any_of(
                SaltLibrary(), [&](const TSalt& s) { return s == *option; });
            row.Salt->addItem(Q(option->Name) + (bundled ? QString() : QStringLiteral(" (own)")));
        } else if (const TSalt* salt = DefaultSalt(key)) {
            row.Salt->addItem(QStringLiteral("default: ") + Q(salt->Name));
        } else {
            row.Salt->addItem(QStringLiteral("(no bundled salt: give one in a recipe file)"));
        }
    }
    row.Salt->setCurrentIndex(current);
}

void TRecipeForm::LigandsChanged()
{
    if (FLoading)
        return;
    const TRecipe probe = RecipeWithoutSalts();
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        TSaltRow& row = FComponents[BuiltInCount + i];
        const std::string name = FLigandCombos[i]->currentData().toString().toStdString();
        const std::string key = ComponentKey(probe, name).value_or(std::string());
        FLigandTotals[i]->setEnabled(!name.empty());
        const bool used = !key.empty();
        for (QWidget* w :
             std::initializer_list<QWidget*> {row.Label, row.Salt, row.Purity, row.Stock})
            w->setVisible(used);
        if (!used) {
            row.Key.clear();
            continue;
        }
        if (row.Key == key)
            continue;
        // A ligand new to its row starts with the recipe's choices for it, else the defaults.
        const auto salt = FRecipe.Salts.find(key);
        FillSaltRow(row, probe, key,
                    salt == FRecipe.Salts.end() ? std::nullopt : std::optional(salt->second));
        row.Label->setText(Q(key));
        row.Purity->SetValue(Find(FRecipe.Purity, key).value_or(1));
        SetOptionalValue(row.Stock, Find(FRecipe.Stocks, key));
    }
}

void TRecipeForm::BufferChanged()
{
    if (FLoading)
        return;
    const int index = BufferCombo->currentIndex();
    const bool used = index > 0;
    for (QWidget* w : std::initializer_list<QWidget*> {
             BufferTotalEdit, FBufferRow.Salt, FBufferRow.Purity, FBufferRow.Stock})
        w->setEnabled(used);
    if (!used) {
        FBufferRow.Salt->clear();
        FBufferRow.Options.clear();
        return;
    }
    TRecipe probe = DefaultRecipe();
    probe.Buffer = TRecipeBuffer {FBuffers[static_cast<std::size_t>(index - 1)], {}, 0};
    // The recipe's own salt for its own buffer, else the one that releases its base form.
    std::optional<TSalt> chosen;
    if (FRecipe.Buffer && FRecipe.Buffer->Buffer == probe.Buffer->Buffer)
        chosen = FRecipe.Buffer->Salt;
    else if (const TSalt* salt = DefaultBufferSalt(probe.Buffer->Buffer))
        chosen = *salt;
    FillSaltRow(FBufferRow, probe, "buffer", chosen);
}

void TRecipeForm::Load(const TRecipe& recipe)
{
    FLoading = true;
    FRecipe = recipe;
    FRecipeConstants = recipe.Constants;
    FRecipeConstants.Ligands.clear();

    NameEdit->setText(Q(recipe.Name));
    VolumeEdit->SetValue(recipe.VolumeMl);
    ModeCombo->setCurrentIndex(static_cast<int>(recipe.Calculation.Mode));
    for (TValueField f : AllValueFields)
        FFields[static_cast<std::size_t>(f)]->SetValue(recipe.Calculation[f]);
    SetOptionalValue(TemperatureEdit, recipe.Calculation.TemperatureC);
    ScaleCombo->setCurrentIndex(recipe.Calculation.pHScale == TpHScale::psActivity ? 1 : 0);

    // The bundled sets, and a set file the recipe names, each under the name a recipe file
    // gives it, so that the recipe is saved as it was read.
    ConstantsCombo->clear();
    for (const TBundledSet& set : BundledSets())
        ConstantsCombo->addItem(
            Q(set.Set.Name), &set == BundledSets().data() ? QString() : Q(set.Id));
    if (ConstantsCombo->findData(Q(recipe.ConstantsName)) < 0)
        ConstantsCombo->addItem(Q(recipe.ConstantsName), Q(recipe.ConstantsName));
    ConstantsCombo->setCurrentIndex(ConstantsCombo->findData(Q(recipe.ConstantsName)));

    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        QComboBox* combo = FLigandCombos[i];
        combo->clear();
        combo->addItem(QStringLiteral("(none)"), QString());
        for (const TKnownLigand& known : KnownLigands(recipe.Constants.Set))
            combo->addItem(Q(known.Def->Name), Q(known.Def->Name));
        const bool used = i < recipe.Constants.Ligands.size();
        if (used && combo->findData(Q(recipe.Constants.Ligands[i].Name)) < 0)
            combo->addItem(
                Q(recipe.Constants.Ligands[i].Name), Q(recipe.Constants.Ligands[i].Name));
        combo->setCurrentIndex(used ? combo->findData(Q(recipe.Constants.Ligands[i].Name)) : 0);
        FLigandTotals[i]->SetValue(used ? recipe.Calculation.FurtherTotals[i] : 0);
    }

    const TRecipe probe = RecipeWithoutSalts();
    for (TSaltRow& row : FComponents) {
        row.Key.clear();
        row.Options.clear();
    }
    for (std::size_t i = 0; i < BuiltInCount; ++i) {
        const std::string key(BuiltInComponents[i]);
        const auto salt = recipe.Salts.find(key);
        FillSaltRow(FComponents[i], probe, key,
                    salt == recipe.Salts.end() ? std::nullopt : std::optional(salt->second));
        FComponents[i].Purity->SetValue(Find(recipe.Purity, key).value_or(1));
        SetOptionalValue(FComponents[i].Stock, Find(recipe.Stocks, key));
    }
    SetOptionalValue(ContaminatingEdit, recipe.ContaminatingCamM);

    FBuffers.assign(BufferLibrary().begin(), BufferLibrary().end());
    if (recipe.Buffer && std::ranges::find(FBuffers, recipe.Buffer->Buffer) == FBuffers.end())
        FBuffers.push_back(recipe.Buffer->Buffer);
    BufferCombo->clear();
    BufferCombo->addItem(QStringLiteral("none"));
    for (const TpHBuffer& buffer : FBuffers)
        BufferCombo->addItem(Q(buffer.Name));
    BufferCombo->setCurrentIndex(
        recipe.Buffer ? static_cast<int>(std::ranges::find(FBuffers, recipe.Buffer->Buffer)
                                         - FBuffers.begin())
                + 1
                      : 0);
    BufferTotalEdit->SetValue(recipe.Buffer ? recipe.Buffer->TotalmM : 20);
    FBufferRow.Purity->SetValue(Find(recipe.Purity, "buffer").value_or(1));
    SetOptionalValue(FBufferRow.Stock, Find(recipe.Stocks, "buffer"));
    FillSaltRow(FTitrantRow, probe, "titrant", recipe.Titrant);
    SetOptionalValue(FTitrantRow.Stock, Find(recipe.Stocks, "titrant"));
    FillSaltRow(FFillerRow, probe, "filler", recipe.Filler);
    FFillerRow.Purity->SetValue(Find(recipe.Purity, "filler").value_or(1));
    SetOptionalValue(FFillerRow.Stock, Find(recipe.Stocks, "filler"));

    FLoading = false;
    ModeChanged();
    LigandsChanged();
    BufferChanged();
    ClearResults();
}

void TRecipeForm::ReadSaltRow(const TSaltRow& row, TRecipe& recipe) const
{
    const std::string& key = row.Key;
    if (row.Purity) {
        // A purity of 1 is the default: written only where the recipe gave one.
        const TReal purity = ValueOf(row.Purity, row.Label->text() + QStringLiteral(", purity"));
        if (purity != 1 || FRecipe.Purity.contains(key))
            recipe.Purity[key] = purity;
    }
    if (const auto stock = OptionalValue(row.Stock, row.Label->text() + QStringLiteral(", stock")))
        recipe.Stocks[key] = *stock;
    const int index = row.Salt->currentIndex();
    if (key == "buffer" || key == "titrant" || key == "filler" || index < 0)
        return;
    if (const auto& salt = row.Options[static_cast<std::size_t>(index)])
        recipe.Salts[key] = *salt;
}

TRecipe TRecipeForm::Recipe() const
{
    TRecipe r = FRecipe;
    r.Name = NameEdit->text().toStdString();
    r.VolumeMl = ValueOf(VolumeEdit, QStringLiteral("Final volume"));
    r.ConstantsName = ConstantsCombo->currentData().toString().toStdString();
    r.Constants = ConstantsOf(r.ConstantsName);
    r.Calculation.Mode = static_cast<TCalcMode>(ModeCombo->currentIndex());
    for (const TFieldRow& row : FieldRows)
        r.Calculation[row.Field] = ValueOf(
            FFields[static_cast<std::size_t>(row.Field)], QString::fromLatin1(row.Label));
    r.Calculation.FurtherTotals = {};
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        const std::string name = FLigandCombos[i]->currentData().toString().toStdString();
        if (name.empty())
            continue;
        if (FindRunLigand(r.Constants, name))
            throw TRecipeError("Further ligands: " + name + " is chosen twice");
        const std::size_t index = AddRunLigand(r.Constants, name, "Further ligands");
        r.Calculation.FurtherTotals[index] = ValueOf(
            FLigandTotals[i], QStringLiteral("Total ") + Q(name));
    }
    r.Calculation.TemperatureC = OptionalValue(TemperatureEdit, QStringLiteral("Temperature"));
    if (r.Calculation.TemperatureC && !IsTemperatureInRange(*r.Calculation.TemperatureC))
        throw TRecipeError(
            TemperatureRangeMessage(TemperatureEdit->GetText().trimmed().toStdString()));
    r.Calculation.pHScale = ScaleCombo->currentIndex() == 1 ? TpHScale::psActivity
                                                            : TpHScale::psConcentration;

    // Salts, purities and stocks as the rows show them; the titrant's purity (which no
    // field shows: it is pipetted, not weighed) as the recipe had it.
    r.Salts.clear();
    r.Stocks.clear();
    r.Purity.clear();
    if (const auto titrant = Find(FRecipe.Purity, "titrant"))
        r.Purity["titrant"] = *titrant;
    for (const TSaltRow& row : FComponents)
        if (!row.Key.empty())
            ReadSaltRow(row, r);
    r.ContaminatingCamM =
        OptionalValue(ContaminatingEdit, QStringLiteral("Contaminating Ca")).value_or(0);

    r.Buffer.reset();
    if (const int index = BufferCombo->currentIndex(); index > 0) {
        const int salt = FBufferRow.Salt->currentIndex();
        const TpHBuffer& buffer = FBuffers[static_cast<std::size_t>(index - 1)];
        if (salt < 0)
            throw TRecipeError("no bundled salt releases the pH buffer " + buffer.Name
                               + "; give its salt in a recipe file");
        r.Buffer = TRecipeBuffer {buffer, *FBufferRow.Options[static_cast<std::size_t>(salt)],
                                  ValueOf(BufferTotalEdit, QStringLiteral("pH buffer, total"))};
        ReadSaltRow(FBufferRow, r);
    }
    r.Titrant = *FTitrantRow.Options.at(static_cast<std::size_t>(FTitrantRow.Salt->currentIndex()));
    ReadSaltRow(FTitrantRow, r);
    r.Filler = *FFillerRow.Options.at(static_cast<std::size_t>(FFillerRow.Salt->currentIndex()));
    ReadSaltRow(FFillerRow, r);
    return r;
}

bool TRecipeForm::Calculate()
{
    TRecipe recipe;
    TRecipeOutcome outcome;
    try {
        recipe = Recipe();
        // An engine of its own, with the recipe's constants, as quelix-cli computes it.
        TEngine engine;
        outcome = ComputeRecipe(engine, recipe, TOutputFormat::ofCsv);
    } catch (const std::exception& e) {
        ClearResults();
        ShowProblem(QString::fromUtf8(e.what()));
        return false;
    }
    ShowOutcome(recipe, outcome);
    return !outcome.Failed();
}

void TRecipeForm::ClearResults()
{
    FShownRecipe.reset();
    FOutcome.reset();
    WeighingTable->setRowCount(0);
    SolutionTable->setRowCount(0);
    FStepLabel->clear();
    MessageLabel->clear();
}

void TRecipeForm::ShowProblem(const QString& text)
{
    MessageLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    MessageLabel->setText(text);
}

void TRecipeForm::ShowOutcome(const TRecipe& recipe, const TRecipeOutcome& outcome)
{
    ClearResults();
    FShownRecipe = recipe;
    FOutcome = outcome;
    if (outcome.Failed()) {
        ShowProblem(QStringLiteral("The solution cannot be made as asked: ") + Q(outcome.Error()));
        return;
    }
    const TSolution& s = outcome.Solution;
    int step = 0;
    for (const TWeighingLine& w : s.Weighing) {
        if (w.Key == "titrant")
            continue;
        const int row = WeighingTable->rowCount();
        WeighingTable->insertRow(row);
        QString amount;
        if (w.Ul)
            amount = Fixed(*w.Ul, 1) + QStringLiteral(" \u00B5l of ") + Significant(*w.StockmM)
                + QStringLiteral(" mM stock");
        else if (w.Mg)
            amount = Fixed(*w.Mg, 2) + QStringLiteral(" mg");
        WeighingTable->setItem(row, 0, Item(QString::number(++step), true));
        WeighingTable->setItem(row, 1, Item(Q(ComponentCaption(w.Key))));
        WeighingTable->setItem(row, 2, Item(Q(w.Salt)));
        WeighingTable->setItem(row, 3, Item(Significant(w.mM), true));
        WeighingTable->setItem(row, 4, Item(amount, true));
        WeighingTable->setItem(row, 5, Item(w.Purity != 1 ? Significant(w.Purity, 4) : QString()));
    }

    const TReal pH = outcome.Calc.Input[vfpH];
    QString last = QStringLiteral("%1. Dissolve in about 80 % of the volume, ").arg(step + 1);
    if (s.TitrantmM != 0) {
        last += QStringLiteral("titrate to pH %1 with %2: expect %3 mM")
                    .arg(Significant(pH), Q(s.TitrantName),
                         Significant(s.TitrantmM < 0 ? -s.TitrantmM : s.TitrantmM));
        for (const TWeighingLine& w : s.Weighing)
            if (w.Key == "titrant" && w.Ul)
                last += QStringLiteral(" (%1 \u00B5l of %2 mM)")
                            .arg(Fixed(*w.Ul, 1), Significant(*w.StockmM));
        last += QStringLiteral(", ");
    } else {
        last += QStringLiteral("check pH %1 (no titrant expected), ").arg(Significant(pH));
    }
    FStepLabel->setText(
        last + QStringLiteral("then make up to %1 ml.").arg(Significant(recipe.VolumeMl)));

    QString ions;
    for (const TCounterIon& c : s.CounterIons)
        ions += (ions.isEmpty() ? QString() : QStringLiteral(", ")) + Q(IonText(c.Ion))
            + QLatin1Char(' ') + Significant(c.mM);
    std::vector<std::pair<QString, QString>> rows {
        {QStringLiteral("Ionic strength"), Significant(s.IonStr) + QStringLiteral(" M")},
        {QStringLiteral("Without the filler"),
         Significant(s.IonStrWithoutFiller) + QStringLiteral(" M")},
        {QStringLiteral("Filler"),
         Significant(s.FillermM) + QStringLiteral(" mM ") + Q(s.FillerName)},
        {QStringLiteral("Titrant"),
         Significant(s.TitrantmM) + QStringLiteral(" mM ") + Q(s.TitrantName)
             + (s.TitrantmM < 0 ? QStringLiteral(" (negative: acid)") : QString())},
        {QStringLiteral("Ionic equivalent"),
         Significant(s.IonicEquivalent) + QStringLiteral(" M (1/2 sum c |z|)")},
        {QStringLiteral("Charge balance"),
         Significant(s.ChargeBalancemM, 3)
             + QStringLiteral(" mM (sum c z; 0 when the balances hold)")},
        {QStringLiteral("Counter-ions (mM)"), ions},
    };
    if (s.HasBuffer)
        rows.emplace_back(QStringLiteral("pH buffer"),
                          QStringLiteral("%1, pKa %2 here: %3 mM acid form, %4 mM base form")
                              .arg(Q(s.BufferName), Fixed(s.BufferpKa, 3),
                                   Significant(s.BufferAcidmM), Significant(s.BufferBasemM)));
    for (const auto& [name, value] : rows) {
        const int row = SolutionTable->rowCount();
        SolutionTable->insertRow(row);
        SolutionTable->setItem(row, 0, Item(name));
        SolutionTable->setItem(row, 1, Item(value));
    }
    SolutionTable->resizeColumnToContents(0);

    QStringList notes;
    for (const std::string& note : s.Notes)
        notes << QStringLiteral("Note: ") + Q(note);
    MessageLabel->setStyleSheet(QString());
    MessageLabel->setText(notes.join(QLatin1Char('\n')));
}

bool TRecipeForm::OpenFile(const QString& path)
{
    TRecipe recipe;
    try {
        recipe = ReadRecipeFile(path.toStdString());
    } catch (const std::exception& e) {
        FSink(this, TMessageKind::mkError, QString::fromUtf8(e.what()));
        return false;
    }
    Load(recipe);
    return true;
}

bool TRecipeForm::SaveFile(const QString& path)
{
    std::string text;
    // A file is written only for a recipe the reader takes back.
    if (!RunCommand(this, FSink, [&] {
            const TRecipe recipe = Recipe();
            CheckRecipe(recipe);
            text = RecipeText(recipe);
        }))
        return false;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)
        && file.write(text.data(), static_cast<qint64>(text.size()))
            == static_cast<qint64>(text.size())
        && file.commit())
        return true;
    FSink(this, TMessageKind::mkError,
          Q(CalcMessage::CannotWrite(path.toStdString())) + QLatin1Char('\n') + file.errorString());
    return false;
}

bool TRecipeForm::SavePdf(const QString& path)
{
    // The sheet is of the recipe as the fields have it now.
    Calculate();
    if (!FOutcome || FOutcome->Failed()) {
        FSink(this, TMessageKind::mkError,
              QStringLiteral("No weighing sheet: ") + MessageLabel->text());
        return false;
    }
    if (SaveRecipeSheet(path, *FShownRecipe, *FOutcome, QDateTime::currentDateTime()))
        return true;
    FSink(this, TMessageKind::mkError, Q(CalcMessage::CannotWrite(path.toStdString())));
    return false;
}

void TRecipeForm::TakeMainWindow()
{
    const auto& last = FMainForm.LastCalculation();
    if (!last) {
        FSink(this, TMessageKind::mkInformation,
              QStringLiteral("Calculate in the main window first: the recipe takes the inputs "
                             "of its last calculation."));
        return;
    }
    const TEngine& engine = FMainForm.Engine();
    // The main window's constants where they are a bundled set as it stands; a set file or
    // edited entries the recipe cannot name, and it keeps its own.
    const TConstOrigin& origin = engine.Origin();
    const int set = ConstantsCombo->findText(Q(origin.SetName));
    const bool bundled = set >= 0 && set < static_cast<int>(BundledSets().size())
        && origin.EditedEntries == 0;
    if (bundled)
        ConstantsCombo->setCurrentIndex(set);
    ModeCombo->setCurrentIndex(std::max(FMainForm.ModeIndex(), 0));
    for (TValueField f : AllValueFields)
        FFields[static_cast<std::size_t>(f)]->SetValue((*last)[f]
                                                       * (IsConcentration(f) ? 1000 : 1));
    SetOptionalValue(TemperatureEdit, engine.TemperatureC());
    ScaleCombo->setCurrentIndex(engine.pHScale() == TpHScale::psActivity ? 1 : 0);
    const std::vector<TLigandChoice>& ligands = FMainForm.LastLigands();
    for (std::size_t i = 0; i < MaxFurtherLigands; ++i) {
        QComboBox* combo = FLigandCombos[i];
        const int index = i < ligands.size() ? combo->findData(Q(ligands[i].Ligand.Name)) : 0;
        combo->setCurrentIndex(std::max(index, 0));
        FLigandTotals[i]->SetValue(i < ligands.size() && index > 0 ? ligands[i].TotalM * 1000 : 0);
    }
    ClearResults();
    if (!bundled)
        ShowProblem(QStringLiteral("The main window's constants (%1%2) are no bundled set: the "
                                   "recipe keeps %3. A recipe file may name a set file under "
                                   "\"constants\".")
                        .arg(Q(origin.SetName),
                             origin.EditedEntries > 0 ? QStringLiteral(", edited") : QString(),
                             ConstantsCombo->currentText()));
}

void TRecipeForm::OpenClicked()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open recipe"), QString(),
        QStringLiteral("Recipe files (*.json);;All files (*)"));
    if (!path.isEmpty())
        OpenFile(path);
}

void TRecipeForm::SaveClicked()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save recipe"),
                                                      QStringLiteral("recipe.json"),
                                                      QStringLiteral("Recipe files (*.json)"));
    if (!path.isEmpty())
        SaveFile(path);
}

void TRecipeForm::PdfClicked()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save weighing sheet"),
                                                      QStringLiteral("weighing-sheet.pdf"),
                                                      QStringLiteral("PDF files (*.pdf)"));
    if (!path.isEmpty())
        SavePdf(path);
}

void TRecipeForm::CopySheet()
{
    Calculate();
    if (FOutcome)
        QGuiApplication::clipboard()->setText(Q(WeighingSheetText(*FShownRecipe, *FOutcome)));
}

void TRecipeForm::keyPressEvent(QKeyEvent* event)
{
    // Enter that no control took recalculates.
    if (IsEnterKey(event)) {
        event->accept();
        Calculate();
        return;
    }
    QWidget::keyPressEvent(event);
}

// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/main.h"

#include "engine/fpcheck.h"
#include "numedit/SaNumEditExCX.h"
#include "report/report.h"
#include "settings/inifile.h"
#include "ui/about.h"
#include "ui/conditionsbar.h"
#include "ui/constform.h"
#include "ui/constsetpanel.h"
#include "ui/furtherform.h"
#include "ui/help.h"
#include "ui/look.h"
#include "ui/recipeform.h"
#include "ui/seriesform.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <string>

using enum TValueField;

namespace {

// The console's font: the desktop's fixed-pitch font where it really has a fixed pitch;
// where the desktop names a face that does not (a "monospace" alias that resolves to a
// proportional face), the first installed family that has one, so that the report's
// columns still line up.
QFont ReportFont()
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontInfo(fixed).fixedPitch())
        return fixed;
    QStringList families = QFontDatabase::families();
    families.prepend(QStringLiteral("DejaVu Sans Mono"));
    for (const QString& family : std::as_const(families)) {
        if (!QFontDatabase::isFixedPitch(family))
            continue;
        fixed.setFamily(family);
        if (QFontInfo(fixed).fixedPitch())
            break;
    }
    return fixed;
}

// The designed outer size is 640 x 431. A classic frame (4 pixels a side), caption and
// menu bar (19 each) leave a client area of 632 x 385; every position below is in it.
constexpr int ClientWidth = 632;
constexpr int ClientHeight = 385;
// The console fills the client area from here down to the bottom edge: its height is the
// outer height - 254, i.e. the client height - 208 (177 at the designed size).
constexpr int ConsoleTop = 208;
constexpr int MaxConsoleLines = 200000;

constexpr int LabelX[2] = {280, 456};
constexpr int FieldX[2] = {360, 544};

struct TFieldPlace {
    const char* ObjectName;
    const char* Label;
    int Column; // 0 left, 1 right
    int Top;
    int Value; // a TValueField, or -1 for pCa
};

// In tab order.
constexpr std::array<TFieldPlace, 16> FieldTable {{
    {"pHEdit", "pH", 0, 0, int(vfpH)},
    {"tEGTAEdit", "Total EGTA", 0, 24, int(vfTotalEGTA)},
    {"tMgEdit", "Total Mg", 0, 48, int(vfTotalMg)},
    {"tATPEdit", "Total ATP", 0, 72, int(vfTotalATP)},
    {"tPOivEdit", "Total PO4", 0, 96, int(vfTotalPO4)},
    {"IonStrEdit", "Ionic strength", 1, 0, int(vfIonStr)},
    {"tEDTAEdit", "Total EDTA", 1, 24, int(vfTotalEDTA)},
    {"tCaEdit", "Total Ca", 1, 48, int(vfTotalCa)},
    {"tADPEdit", "Total ADP", 1, 72, int(vfTotalADP)},
    {"fMgEdit", "Free Mg++", 0, 128, int(vfFreeMg)},
    {"MgATPEdit", "MgATP", 0, 152, int(vfMgATP)},
    {"MgADPEdit", "MgADP", 0, 176, int(vfMgADP)},
    {"fCaEdit", "Free Ca++", 1, 104, int(vfFreeCa)},
    {"pCaEdit", "pCa", 1, 128, -1},
    {"CaATPEdit", "CaATP", 1, 152, int(vfCaATP)},
    {"CaADPEdit", "CaADP", 1, 176, int(vfCaADP)},
}};

// ShowValues writes the fields in this order, pCa after the free Ca++.
constexpr std::array<TValueField, 11> ShownBeforepCa {
    vfpH,       vfIonStr,   vfTotalEGTA, vfTotalEDTA, vfTotalMg, vfTotalCa,
    vfTotalATP, vfTotalADP, vfTotalPO4,  vfFreeMg,    vfFreeCa};
constexpr std::array<TValueField, 4> ShownAfterpCa {vfMgATP, vfMgADP, vfCaATP, vfCaADP};

// mM in the fields, M in the state; pH and the ionic strength unconverted.
TReal FieldScale(TValueField field)
{
    return IsConcentration(field) ? 1000 : 1;
}

// One of the four buttons under the mode selector.
QPushButton* MakeCommandButton(QWidget* parent, const char* name, const char* caption, int left)
{
    QPushButton* button = MakeButton(parent, name, caption, QRect(left, 168, 49, 33));
    // A focused button takes Enter itself; Enter elsewhere reaches the window (Calculate).
    button->setAutoDefault(true);
    return button;
}

bool IsEnterKey(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

TMainForm::TMainForm(TMainFormOptions options, QWidget* parent)
    : QMainWindow(parent)
    , FOptions(std::move(options))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quelix"));
    setFont(MainWindowFont(font()));
    FClient = new QWidget(this);
    FClient->setObjectName(QStringLiteral("Client"));
    // The window's background is the button face, as are the console and result fields.
    QPalette face = FClient->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    FClient->setPalette(face);
    FClient->setAutoFillBackground(true);
    setCentralWidget(FClient);
    CreateControls(FClient);
    FClient->installEventFilter(this);
    CreateMenus();
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());

    FormCreate();
    FConstForm = new TConstForm(FEngine, this);
    FConstForm->SetMessageSink(FOptions.MessageSink);
    connect(FConstForm, &TConstForm::ConstantsApplied, this, &TMainForm::ConstantsApplied);
    FFurtherForm = new TFurtherForm(FEngine, FState, this);
    FFurtherForm->SetMessageSink(FOptions.MessageSink);
    connect(FFurtherForm, &TFurtherForm::LigandsApplied, this, &TMainForm::LigandsChanged);
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateControls(QWidget* client)
{
    RadioGroup1 = new QGroupBox(QStringLiteral("Menu"), client);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(16, 0, 249, 161);
    FModeButtons = new QButtonGroup(RadioGroup1);
    for (int i = 0; i < ModeCount; ++i) {
        const auto caption = ModeCaptions[static_cast<std::size_t>(i)];
        auto* item = new QRadioButton(
            QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), RadioGroup1);
        item->setGeometry(8, 18 + 20 * i, 237, 20);
        FModeButtons->addButton(item, i);
    }
    FModeButtons->button(0)->setChecked(true);
    connect(FModeButtons, &QButtonGroup::idClicked, this, &TMainForm::RadioGroup1Click);

    CalcBtn = MakeCommandButton(client, "CalcBtn", "Calc", 32);
    CalcBtn->setDefault(true);
    SaveBtn = MakeCommandButton(client, "SaveBtn", "&Save", 88);
    ConstBtn = MakeCommandButton(client, "ConstBtn", "&Const.", 144);
    ExitBtn = MakeCommandButton(client, "ExitBtn", "E&xit", 200);
    connect(CalcBtn, &QPushButton::clicked, this, &TMainForm::Calculate);
    connect(SaveBtn, &QPushButton::clicked, this, &TMainForm::SetAsDefault);
    connect(ConstBtn, &QPushButton::clicked, this, &TMainForm::ShowConstForm);
    connect(ExitBtn, &QPushButton::clicked, this, &TMainForm::ExitForm);

    Console = new QPlainTextEdit(client);
    Console->setObjectName(QStringLiteral("Console"));
    Console->setReadOnly(true);
    Console->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Console->setLineWrapMode(QPlainTextEdit::NoWrap);
    Console->setMaximumBlockCount(MaxConsoleLines);
    QFont fixed = ReportFont();
    fixed.setPixelSize(13);
    // The window's font may be narrowed to fit its layout; the report keeps its plain pitch.
    fixed.setStretch(QFont::Unstretched);
    Console->setFont(fixed);
    // Tab stops every eight characters keep the report's columns under one another.
    Console->setTabStopDistance(8 * QFontMetricsF(fixed).horizontalAdvance(QLatin1Char(' ')));
    QPalette consolePalette = Console->palette();
    consolePalette.setColor(QPalette::Base, consolePalette.color(QPalette::Button));
    Console->setPalette(consolePalette);
    Console->installEventFilter(this);

    QWidget* previous = Console;
    setTabOrder(RadioGroup1, CalcBtn);
    setTabOrder(CalcBtn, SaveBtn);
    setTabOrder(SaveBtn, ConstBtn);
    setTabOrder(ConstBtn, ExitBtn);
    setTabOrder(ExitBtn, Console);
    for (const TFieldPlace& place : FieldTable) {
        auto* label = new QLabel(QString::fromLatin1(place.Label), client);
        label->move(LabelX[place.Column], place.Top + 8);
        label->adjustSize();
        auto* edit = new TSaNumEditExCX(client);
        edit->setObjectName(QString::fromLatin1(place.ObjectName));
        edit->setGeometry(FieldX[place.Column], place.Top, 81, 24);
        edit->SetDecimalLength(8);
        edit->setCursor(Qt::IBeamCursor);
        if (place.Value < 0)
            pCaEdit = edit;
        else
            FFields[static_cast<std::size_t>(place.Value)] = edit;
        setTabOrder(previous, edit);
        previous = edit;
    }
    // Whichever of free Ca++ and pCa the user typed last gives the free Ca++.
    connect(pCaEdit, &TSaNumEdit::OnChange, this, [this] { FpCaTyped = true; });
    connect(Field(vfFreeCa), &TSaNumEdit::OnChange, this, [this] { FpCaTyped = false; });
}

void TMainForm::CreateMenus()
{
    auto add = [this](QMenu* menu, const char* name, const char* caption, auto handler) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* mainMenu = menuBar()->addMenu(QStringLiteral("&Main"));
    add(mainMenu, "miCalculate", "&Calculate", &TMainForm::Calculate);
    add(mainMenu, "miShowResults", "Show &Results", &TMainForm::ShowResults);
    add(mainMenu, "miClearConsole", "C&lear Console", &TMainForm::ClearConsole);
    add(mainMenu, "miSaveReportAs", "Save Report &As...", &TMainForm::SaveReportAs);
    add(mainMenu, "miSetAsDefault", "Set as &Default", &TMainForm::SetAsDefault);
    add(mainMenu, "miBindingConstants", "&Binding Constants", &TMainForm::ShowConstForm);
    add(mainMenu, "miFurtherLigands", "&Further ligands...", &TMainForm::ShowFurtherForm);
    add(mainMenu, "miRecipe", "R&ecipe...", &TMainForm::ShowRecipeForm);
    add(mainMenu, "miSeries", "pCa &series...", &TMainForm::ShowSeriesForm);
    mainMenu->addSeparator();
    add(mainMenu, "miExit", "E&xit", &TMainForm::ExitForm);
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    add(helpMenu, "miHHelp", "&Help", &TMainForm::miHHelpClick);
    add(helpMenu, "miHAbout", "&About...", &TMainForm::ShowAbout);
}

void TMainForm::FormCreate()
{
    FState.Tiny = 10 * MachineEpsilon();
    FEngine.SetConvergenceTolerance(1e-9L);
    FIniFile = std::make_unique<TIniFile>(FOptions.IniFileName);
    // The settings layer reports values it could not use and a failed write instead of
    // throwing; those values keep their defaults, and start-up goes on so that Calc works.
    const TStartupResult startup = LoadSettingsAtStart(
        *FIniFile, FDefaultSet, FEngine, FState, FOptions.DecimalPoint);
    FUnreadValues = startup.Unread;
    FKeptLigands = startup.KeptLigands;
    SetModeIndex(startup.ModeIndex);
    std::string error = startup.Error.value_or(std::string());
    UseStoredLigands(startup.Ligands, error);
    if (!error.empty())
        FOptions.MessageSink(this, TMessageKind::mkError, QString::fromStdString(error));
    if (startup.Notice)
        FOptions.MessageSink(
            this, TMessageKind::mkInformation, QString::fromStdString(*startup.Notice));
    RunCommand(this, FOptions.MessageSink, [this] {
        FEngine.LoadDefaultConstants();
        FEngine.AdjustConstants();
        FEngine.MakeApparentConstants();
    });
    ShowValues();
    RadioGroup1Click();
    if (QAbstractButton* item = FModeButtons->checkedButton())
        item->setFocus();
    else
        FModeButtons->button(0)->setFocus();
}

void TMainForm::UseStoredLigands(const std::vector<TStoredLigand>& stored, std::string& message)
{
    // The window starts with the built-in set, under which the library's ligands are known.
    const std::string unusable = UseStoredLigandLines(
        FEngine, FState, BuiltInSet(), stored, FKeptLigands);
    if (unusable.empty())
        return;
    message += message.empty()
        ? "The settings file " + FOptions.IniFileName.string()
            + " holds further ligands that cannot be used:"
        : std::string("\nIt also holds further ligands that cannot be used:");
    message += unusable;
}

void TMainForm::ConstantsApplied()
{
    ShowConditions(this, FEngine);
    const TConstSet& set = FConstForm->SetPanel()->Applied();
    const std::vector<std::string> dropped = FollowConstantSet(FEngine, FState, set);
    if (!dropped.empty())
        FOptions.MessageSink(this, TMessageKind::mkInformation,
                             QString::fromStdString(DroppedLigandsMessage(set, dropped)));
    FFurtherForm->Load(set);
    LigandsChanged();
}

void TMainForm::LigandsChanged()
{
    if (FSeriesForm)
        FSeriesForm->FurtherLigandsChanged();
}

int TMainForm::ModeIndex() const
{
    return FModeButtons->checkedId();
}

void TMainForm::SetModeIndex(int index)
{
    if (QAbstractButton* item = FModeButtons->button(index)) {
        item->setChecked(true);
        return;
    }
    // No item selected: an exclusive group cannot uncheck its checked item by itself.
    FModeButtons->setExclusive(false);
    if (QAbstractButton* checked = FModeButtons->checkedButton())
        checked->setChecked(false);
    FModeButtons->setExclusive(true);
}

TSaNumEditExCX* TMainForm::Field(TValueField field) const
{
    return FFields[static_cast<std::size_t>(field)];
}

void TMainForm::SetFieldEnabled(TSaNumEditExCX* field, bool enabled)
{
    field->setEnabled(enabled);
    // Result fields take the window's own background, so they read as part of the window.
    field->SetColor(enabled ? palette().color(QPalette::Base)
                            : FClient->palette().color(QPalette::Window));
}

void TMainForm::RadioGroup1Click()
{
    const int mode = ModeIndex();
    if (mode >= 0)
        for (TValueField field : ModeFields)
            SetFieldEnabled(Field(field), IsModeInput(static_cast<TCalcMode>(mode), field));
    SetFieldEnabled(pCaEdit, Field(vfFreeCa)->isEnabled());
}

void TMainForm::GetValues()
{
    for (std::size_t i = 0; i < ValueFieldCount; ++i) {
        const auto field = static_cast<TValueField>(i);
        SetValueOf(FEngine, FState, field, Field(field)->GetValue() / FieldScale(field));
    }
    // A pCa typed where free Ca++ is an input sets it: pCa is -log10 of free Ca++ in M. An
    // emptied pCa field gives none, and free Ca++ is read from its own field.
    const int mode = ModeIndex();
    if (FpCaTyped && mode >= 0 && IsModeInput(static_cast<TCalcMode>(mode), vfFreeCa)
        && !pCaEdit->GetText().isEmpty())
        FState.FreeCa = fpcheck::Pow10(-pCaEdit->GetValue());
}

void TMainForm::ShowValues()
{
    auto show = [this](TValueField field) {
        Field(field)->SetValue(ValueOf(FEngine, FState, field) * FieldScale(field));
    };
    for (TValueField field : ShownBeforepCa)
        show(field);
    // pCa is written from the free Ca++; at or below Tiny it keeps its text.
    if (FState.FreeCa > FState.Tiny) {
        pCaEdit->SetValue(-std::log10(FState.FreeCa));
        FpCaTyped = false;
    }
    for (TValueField field : ShownAfterpCa)
        show(field);
}

void TMainForm::AppendReport()
{
    // One append of the empty introducing line and the report: appending an empty line
    // alone to an empty console would not show.
    QString text;
    for (const std::string& line : ReportLines(FEngine, FState)) {
        text += QLatin1Char('\n');
        text += QString::fromStdString(line);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Console->appendPlainText(text);
    Console->verticalScrollBar()->setValue(Console->verticalScrollBar()->maximum());
}

void TMainForm::ShowResults()
{
    RunCommand(this, FOptions.MessageSink, [this] { AppendReport(); });
}

void TMainForm::ClearConsole()
{
    Console->clear();
}

void TMainForm::SaveReportAs()
{
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Report As"), QStringLiteral("quelix-report.txt"),
        QStringLiteral("Text files (*.txt);;All files (*)"));
    if (!path.isEmpty())
        SaveReport(path);
}

bool TMainForm::SaveReport(const QString& path)
{
    // Every line ends in CRLF, the line break the report's two-line blocks hold inside, so
    // that the file has one kind of line end.
    QString text = Console->toPlainText();
    if (!text.isEmpty()) {
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        text += QStringLiteral("\r\n");
    }
    const QByteArray bytes = text.toUtf8();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    FOptions.MessageSink(this, TMessageKind::mkError,
                         QString::fromStdString(CalcMessage::CannotWrite(path.toStdString()))
                             + QLatin1Char('\n') + file.errorString());
    return false;
}

void TMainForm::Calculate()
{
    RunCommand(this, FOptions.MessageSink, [this] {
        GetValues();
        const TCalcStatus status = FEngine.Calculate(FState, static_cast<TCalcMode>(ModeIndex()));
        if (status.Failed())
            RaiseCalcError(status.Error);
        FLastCalculation = ValuesOf(FEngine, FState);
        FLastLigands = WindowLigands(FEngine, FState);
        AppendReport();
        ShowValues();
        ShowConditions(this, FEngine); // pcH follows the pH and ionic strength
    });
}

void TMainForm::SetAsDefault()
{
    RunCommand(this, FOptions.MessageSink, [this] {
        ::SetAsDefault(*FIniFile, ModeIndex(), FEngine, FState, FOptions.DecimalPoint,
                       FUnreadValues, FKeptLigands);
    });
}

void TMainForm::ShowConstForm()
{
    FConstForm->show();
    FConstForm->raise();
    FConstForm->activateWindow();
}

void TMainForm::ShowFurtherForm()
{
    FFurtherForm->Load(FConstForm->SetPanel()->Applied());
    FFurtherForm->show();
    FFurtherForm->raise();
    FFurtherForm->activateWindow();
}

void TMainForm::ShowSeriesForm()
{
    if (!FSeriesForm)
        FSeriesForm = new TSeriesForm(*this, FOptions.MessageSink, this);
    FSeriesForm->show();
    FSeriesForm->raise();
    FSeriesForm->activateWindow();
}

void TMainForm::ShowRecipeForm()
{
    if (!FRecipeForm)
        FRecipeForm = new TRecipeForm(*this, FOptions.MessageSink, this);
    FRecipeForm->show();
    FRecipeForm->raise();
    FRecipeForm->activateWindow();
}

void TMainForm::ShowAbout()
{
    TAboutBox box(this);
    box.exec();
}

void TMainForm::miHHelpClick()
{
    OpenManual(this, FOptions.MessageSink);
}

void TMainForm::ExitForm()
{
    FIniFile.reset();
    close();
}

void TMainForm::setVisible(bool visible)
{
    // Centred before it is first mapped, so that it does not jump; later shows keep the
    // place the user gave it.
    if (visible && !FPlaced) {
        FPlaced = true;
        if (const QScreen* shown = screen())
            move(shown->availableGeometry().center() - frameGeometry().center() + pos());
    }
    QMainWindow::setVisible(visible);
}

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    // Enter that no control took (the fields, the mode selector and the console leave it
    // alone; a focused button presses itself) runs one calculation.
    if (IsEnterKey(event)) {
        event->accept();
        Calculate();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FClient && event->type() == QEvent::Resize)
        FormResize();
    // The console is read-only but would still take Enter as a line break.
    if (watched == Console && IsEnterKey(event)) {
        Calculate();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormResize()
{
    const int height = std::max(0, FClient->height() - ConsoleTop);
    Console->setGeometry(0, FClient->height() - height, FClient->width(), height);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    // The program ends with its main window, even while the constants dialog is open.
    FConstForm->hide();
    FFurtherForm->hide();
    if (FSeriesForm)
        FSeriesForm->hide();
    if (FRecipeForm)
        FRecipeForm->hide();
    QMainWindow::closeEvent(event);
}

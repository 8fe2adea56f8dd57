// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "ui/main.h"

#include "engine/calcerror.h"
#include "numedit/SaNumEditExCX.h"
#include "ui/constform.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using enum TValueField;

namespace {

struct TFieldInfo {
    const char* Name;
    TValueField Field;
};
// The ten fields whose role follows the mode, in the order of ModeFields.
const TFieldInfo ModeFieldNames[] = {{"tMgEdit", vfTotalMg},   {"tCaEdit", vfTotalCa},
                                     {"tATPEdit", vfTotalATP}, {"tADPEdit", vfTotalADP},
                                     {"fMgEdit", vfFreeMg},    {"fCaEdit", vfFreeCa},
                                     {"MgATPEdit", vfMgATP},   {"CaATPEdit", vfCaATP},
                                     {"MgADPEdit", vfMgADP},   {"CaADPEdit", vfCaADP}};
const char* const AllFieldNames[] = {"pHEdit",    "tEGTAEdit",  "tMgEdit",   "tATPEdit",
                                     "tPOivEdit", "IonStrEdit", "tEDTAEdit", "tCaEdit",
                                     "tADPEdit",  "fMgEdit",    "MgATPEdit", "MgADPEdit",
                                     "fCaEdit",   "pCaEdit",    "CaATPEdit", "CaADPEdit"};

QString Q(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

class MainFormTest : public ::testing::Test {
protected:
    std::unique_ptr<TMainForm> Start()
    {
        TMainFormOptions options;
        options.IniFileName = Ini().toStdString();
        options.MessageSink = [this](QWidget*, TMessageKind, const QString& text) {
            Messages.push_back(text);
        };
        return std::make_unique<TMainForm>(std::move(options));
    }
    QString Ini() const { return Dir.filePath(QStringLiteral("quelix.INI")); }
    void WriteIni(const char* text)
    {
        QFile file(Ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    static TSaNumEditExCX* Edit(const TMainForm& form, const char* name)
    {
        auto* edit = form.findChild<TSaNumEditExCX*>(QString::fromLatin1(name));
        EXPECT_NE(edit, nullptr) << name;
        return edit;
    }
    static TReal Value(const TMainForm& form, const char* name)
    {
        return Edit(form, name)->GetValue();
    }
    static QString ConsoleText(const TMainForm& form)
    {
        return form.findChild<QPlainTextEdit*>(QStringLiteral("Console"))->toPlainText();
    }
    static int Reports(const TMainForm& form)
    {
        return static_cast<int>(ConsoleText(form).count(QStringLiteral("Z = ")));
    }
    static void SelectMode(TMainForm& form, int mode)
    {
        auto buttons =
            form.findChild<QWidget*>(QStringLiteral("RadioGroup1"))->findChildren<QRadioButton*>();
        QRadioButton* item = buttons.at(mode);
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(8, item->height() / 2));
    }
    static void ShowActive(TMainForm& form)
    {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    QTemporaryDir Dir;
    std::vector<QString> Messages;
};

TEST_F(MainFormTest, FirstStartShowsTheDefaultsAndWritesTheSettingsFile)
{
    ASSERT_FALSE(QFile::exists(Ini()));
    auto form = Start();
    EXPECT_TRUE(Messages.empty());
    EXPECT_TRUE(QFile::exists(Ini()));
    EXPECT_EQ(form->ModeIndex(), 0);
    const struct {
        const char* Name;
        TReal Shown;
    } expected[] = {{"pHEdit", 8},       {"IonStrEdit", 0.2L}, {"tMgEdit", 2.2L}, {"tCaEdit", 0.5L},
                    {"tATPEdit", 0.22L}, {"tEGTAEdit", 2},     {"fMgEdit", 1},    {"fCaEdit", 1},
                    {"pCaEdit", 3},      {"MgATPEdit", 0.2L},  {"tEDTAEdit", 0},  {"tADPEdit", 0},
                    {"tPOivEdit", 0},    {"CaATPEdit", 0},     {"MgADPEdit", 0},  {"CaADPEdit", 0}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.Name);
        EXPECT_EQ(Value(*form, e.Name), e.Shown);
    }
    EXPECT_TRUE(ConsoleText(*form).isEmpty());
}

TEST_F(MainFormTest, StoredModeIsSelectedAndMissingValuesTakeTheirDefaultTexts)
{
    WriteIni("[Default]\nMenuSelect=3\n");
    auto form = Start();
    EXPECT_EQ(form->ModeIndex(), 3);
    EXPECT_EQ(Value(*form, "pHEdit"), 8);
    EXPECT_EQ(Value(*form, "IonStrEdit"), 0.2L);
    for (const TFieldInfo& f : ModeFieldNames)
        EXPECT_EQ(Value(*form, f.Name), 0) << f.Name;
    EXPECT_TRUE(Edit(*form, "fCaEdit")->isEnabled());
    EXPECT_FALSE(Edit(*form, "tCaEdit")->isEnabled());
}

// A settings file with values that cannot be used: the window still opens, says which
// values of which file it could not use, shows their defaults beside the values it read,
// calculates, and its Save leaves the unusable lines for the user to mend.
TEST_F(MainFormTest, BadSettingsAreShownOnceAndKeptByTheNextSave)
{
    WriteIni("[Default]\nMenuSelect=6 ; pCa series\nIonStr=1e999\npH=abc\nTotal Mg=0.003\n");
    auto form = Start();
    ASSERT_EQ(Messages.size(), 1u);
    const QString& message = Messages[0];
    EXPECT_TRUE(message.contains(Ini())) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("\nIonStr: '1e999': ") + Q(CalcMessage::Overflow)))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("\npH: ") + Q(CalcMessage::NotAFloat("abc"))))
        << message.toStdString();
    EXPECT_EQ(form->ModeIndex(), 6);
    EXPECT_EQ(Value(*form, "pHEdit"), 8);
    EXPECT_EQ(Value(*form, "IonStrEdit"), 0.2L);
    EXPECT_EQ(Value(*form, "tMgEdit"), 3);

    Messages.clear();
    form->Calculate();
    EXPECT_TRUE(Messages.empty());
    EXPECT_EQ(Reports(*form), 1);
    form->findChild<QPushButton*>(QStringLiteral("SaveBtn"))->click();
    EXPECT_TRUE(Messages.empty());
    QFile file(Ini());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.startsWith("[Default]\nMenuSelect=6 ; pCa series\nIonStr=1e999\npH=abc\n"
                                 "Total Mg=0.003\n"))
        << saved.toStdString();
}

TEST_F(MainFormTest, ModeSwitchChangesOnlyWhichFieldsTakeInput)
{
    auto form = Start();
    ShowActive(*form);
    const QColor face = form->centralWidget()->palette().color(QPalette::Window);
    std::vector<TReal> before;
    for (const char* name : AllFieldNames)
        before.push_back(Value(*form, name));

    for (int mode = ModeCount - 1; mode >= 0; --mode) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        SelectMode(*form, mode);
        ASSERT_EQ(form->ModeIndex(), mode);
        for (const TFieldInfo& f : ModeFieldNames) {
            const bool input = IsModeInput(static_cast<TCalcMode>(mode), f.Field);
            TSaNumEditExCX* edit = Edit(*form, f.Name);
            EXPECT_EQ(edit->isEnabled(), input) << f.Name;
            EXPECT_EQ(edit->Color() == face, !input) << f.Name;
        }
        EXPECT_EQ(Edit(*form, "pCaEdit")->isEnabled(), mode >= 2);
        for (std::size_t i = 0; i < std::size(AllFieldNames); ++i)
            EXPECT_EQ(Value(*form, AllFieldNames[i]), before[i]) << AllFieldNames[i];
    }
    // "Control Ca++": total Mg, total ATP, total ADP and free Ca++ (with pCa) are inputs.
    SelectMode(*form, 6);
    for (const char* name : {"tMgEdit", "tATPEdit", "tADPEdit", "fCaEdit", "pCaEdit"})
        EXPECT_TRUE(Edit(*form, name)->isEnabled()) << name;
}

TEST_F(MainFormTest, EnterRunsOneCalculationFromFieldsSelectorAndConsoleButNotFromOtherButtons)
{
    auto form = Start();
    ShowActive(*form);
    Edit(*form, "tMgEdit")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(Reports(*form), 1);
    // Free Mg++ 1.2700783519 mM and pCa 8.7056320999, cut to the fields' 8 decimals.
    EXPECT_NEAR(double(Value(*form, "fMgEdit")), 1.27007835, 1e-8);
    EXPECT_NEAR(double(Value(*form, "pCaEdit")), 8.70563209, 1e-8);
    EXPECT_TRUE(form->State().HasResults);

    form->findChild<QRadioButton*>()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    auto* console = form->findChild<QPlainTextEdit*>(QStringLiteral("Console"));
    console->setFocus();
    QTest::keyClick(console, Qt::Key_Return);
    EXPECT_EQ(Reports(*form), 3);
    EXPECT_FALSE(ConsoleText(*form).contains(QStringLiteral("\n\n\n")));

    QFile::remove(Ini());
    auto* save = form->findChild<QPushButton*>(QStringLiteral("SaveBtn"));
    save->setFocus();
    QTest::keyClick(save, Qt::Key_Return);
    EXPECT_EQ(Reports(*form), 3);
    EXPECT_TRUE(QFile::exists(Ini())); // Enter pressed Save
    EXPECT_TRUE(Messages.empty());
}

TEST_F(MainFormTest, FailingCalculationShowsTheMessageAndLeavesTheFieldsAsTyped)
{
    struct TCase {
        const char* Name;
        int Mode;
        const char* FieldName;
        const char* Typed;
        std::string Message;
    };
    const TCase cases[] = {
        {"empty field", 0, "tCaEdit", "", CalcMessage::NotAFloat("")},
        {"no free Mg++ to divide by", 1, "fMgEdit", "0", std::string(CalcMessage::ZeroDivide)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Messages.clear();
        auto form = Start();
        SelectMode(*form, c.Mode);
        Edit(*form, c.FieldName)->SetText(QString::fromLatin1(c.Typed));
        Edit(*form, "tMgEdit")->SetText(QStringLiteral("7"));
        form->Calculate();
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_EQ(Messages[0], Q(c.Message));
        EXPECT_EQ(Reports(*form), 0);
        EXPECT_EQ(Edit(*form, c.FieldName)->GetText(), QString::fromLatin1(c.Typed));
        EXPECT_EQ(Edit(*form, "tMgEdit")->GetText(), QStringLiteral("7"));
        EXPECT_FALSE(form->State().HasResults);
    }
}

TEST_F(MainFormTest, ShowResultsRefusesBeforeTheFirstCalculationThenReprintsTheReport)
{
    auto form = Start();
    auto* showResults = form->findChild<QAction*>(QStringLiteral("miShowResults"));
    ASSERT_NE(showResults, nullptr);
    showResults->trigger();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], Q(CalcMessage::NoResults));
    EXPECT_TRUE(ConsoleText(*form).isEmpty());

    form->Calculate();
    const QString first = ConsoleText(*form);
    showResults->trigger();
    EXPECT_EQ(ConsoleText(*form), first + QLatin1Char('\n') + first);
    EXPECT_TRUE(first.startsWith(QStringLiteral("\nZ =  0.200 M  pH =  8.00")));
}

TEST_F(MainFormTest, SavedModeAndValuesComeBackAtTheNextStart)
{
    {
        auto form = Start();
        SelectMode(*form, 2);
        Edit(*form, "fCaEdit")->SetText(QStringLiteral("0.00002"));
        Edit(*form, "IonStrEdit")->SetText(QStringLiteral("0.15"));
        form->Calculate();
        form->findChild<QPushButton*>(QStringLiteral("SaveBtn"))->click();
        EXPECT_TRUE(Messages.empty());
    }
    auto form = Start();
    EXPECT_EQ(form->ModeIndex(), 2);
    EXPECT_EQ(Value(*form, "fCaEdit"), 0.00002L);
    EXPECT_EQ(Value(*form, "IonStrEdit"), 0.15L);
    EXPECT_TRUE(Edit(*form, "fCaEdit")->isEnabled());
}

TEST_F(MainFormTest, ConsoleAloneFollowsTheWindowHeight)
{
    auto form = Start();
    ShowActive(*form);
    auto* console = form->findChild<QPlainTextEdit*>(QStringLiteral("Console"));
    auto* calc = form->findChild<QPushButton*>(QStringLiteral("CalcBtn"));
    const QRect calcBefore = calc->geometry();
    EXPECT_EQ(console->height(), 177);
    form->resize(form->width(), form->height() + 100);
    QTest::qWait(0);
    EXPECT_EQ(console->height(), 277);
    EXPECT_EQ(console->geometry().bottom(), form->centralWidget()->height() - 1);
    EXPECT_EQ(calc->geometry(), calcBefore);
}

TEST_F(MainFormTest, ConstButtonShowsTheOneDialogThatEditsTheWindowsConstants)
{
    auto form = Start();
    ShowActive(*form);
    auto* button = form->findChild<QPushButton*>(QStringLiteral("ConstBtn"));
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    const auto dialogs = form->findChildren<TConstForm*>();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0]->isVisible());
    EXPECT_EQ(dialogs[0], form->ConstForm());
}

} // namespace

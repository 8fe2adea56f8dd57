// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The main window as a user meets it: results read back in full, a typed pCa, the console's
// Clear and Save, the place and font of the window, Enter and Escape in its fields.
#include "ui/main.h"

#include "engine/calcerror.h"
#include "numedit/SaNumEditExCX.h"
#include "report/report.h"
#include "ui/about.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

class WindowTest : public ::testing::Test {
protected:
    std::unique_ptr<TMainForm> Start()
    {
        TMainFormOptions options;
        options.IniFileName = Dir.filePath(QStringLiteral("quelix.INI")).toStdString();
        options.MessageSink = [this](QWidget*, TMessageKind, const QString& text) {
            Messages.push_back(text);
        };
        return std::make_unique<TMainForm>(std::move(options));
    }
    static TSaNumEditExCX* Edit(const TMainForm& form, const char* name)
    {
        auto* edit = form.findChild<TSaNumEditExCX*>(QString::fromLatin1(name));
        EXPECT_NE(edit, nullptr) << name;
        return edit;
    }
    static QPlainTextEdit* Console(const TMainForm& form)
    {
        return form.findChild<QPlainTextEdit*>(QStringLiteral("Console"));
    }
    static QString LastReport(const TMainForm& form)
    {
        const QString text = Console(form)->toPlainText();
        return text.mid(text.lastIndexOf(QStringLiteral("Z = ")));
    }
    static void SelectMode(TMainForm& form, int mode)
    {
        form.findChild<QWidget*>(QStringLiteral("RadioGroup1"))
            ->findChildren<QRadioButton*>()
            .at(mode)
            ->click();
    }
    // Types `keys` into a field as the user would: select all, then each character.
    static void Type(TSaNumEditExCX* edit, const char* keys)
    {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, QString::fromLatin1(keys));
    }

    QTemporaryDir Dir;
    std::vector<QString> Messages;
};

TEST_F(WindowTest, ResultsReadBackInFullKeepTheTotalsOfTheSolution)
{
    // Mode 0 gives a free Ca++ of 1.970 nM, shown as 0.00000196 mM. Prescribing that free
    // Ca++ must give back the total Ca of 500 uM, not the 498.274 uM of the cut text.
    auto form = Start();
    form->Calculate();
    EXPECT_EQ(Edit(*form, "fCaEdit")->GetText(), QStringLiteral("1.96E-6"));
    SelectMode(*form, 6);
    form->Calculate();
    EXPECT_TRUE(LastReport(*form).contains(QStringLiteral("total Ca  = 500.000 uM")));
    SelectMode(*form, 0);
    form->Calculate();
    EXPECT_TRUE(Messages.empty());
    EXPECT_NEAR(double(Edit(*form, "tCaEdit")->GetValue()), 0.5, 0.5e-9); // the solver's 1e-9
    EXPECT_TRUE(LastReport(*form).contains(QStringLiteral("total Ca  = 500.000 uM")));
    EXPECT_TRUE(LastReport(*form).contains(QStringLiteral("free Ca++ =   1.970 nM (pCa = 8.706)")));
}

TEST_F(WindowTest, ATypedpCaSetsTheFreeCaWhereFreeCaIsAnInput)
{
    struct TCase {
        const char* Name;
        int Mode;
        const char* FreeCaTyped; // before the pCa, or after it with "!" in front
        const char* pCaTyped;
        const char* Expect; // in the report
    };
    const TCase cases[] = {
        {"pCa 5 in mode 6", 6, "", "5", "free Ca++ =  10.000 uM (pCa = 5.000)"},
        {"pCa 6.5 in mode 2", 2, "", "6.5", "free Ca++ = 316.228 nM (pCa = 6.500)"},
        {"pCa typed after free Ca++", 6, "0.002", "7", "free Ca++ = 100.000 nM (pCa = 7.000)"},
        {"free Ca++ typed after pCa", 6, "!0.002", "7", "free Ca++ =   2.000 uM (pCa = 5.699)"},
        {"emptied pCa", 6, "0.002", "", "free Ca++ =   2.000 uM (pCa = 5.699)"},
        // In mode 0 the pCa field is a result: it takes no keys and free Ca++ is computed.
        {"mode 0", 0, "", "5", "free Ca++ =   1.970 nM (pCa = 8.706)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto form = Start();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        SelectMode(*form, c.Mode);
        const bool freeCaLast = c.FreeCaTyped[0] == '!';
        if (c.FreeCaTyped[0] != '\0' && !freeCaLast)
            Type(Edit(*form, "fCaEdit"), c.FreeCaTyped);
        // An emptied pCa is typed, then deleted.
        Type(Edit(*form, "pCaEdit"), c.pCaTyped[0] != '\0' ? c.pCaTyped : "5");
        if (c.pCaTyped[0] == '\0')
            QTest::keyClick(Edit(*form, "pCaEdit"), Qt::Key_Backspace);
        if (freeCaLast)
            Type(Edit(*form, "fCaEdit"), c.FreeCaTyped + 1);
        form->Calculate();
        EXPECT_TRUE(Messages.empty());
        EXPECT_TRUE(LastReport(*form).contains(QString::fromLatin1(c.Expect)))
            << LastReport(*form).toStdString();
    }
}

TEST_F(WindowTest, pCaIsReadOnlyOnceAndOnlyWhenTyped)
{
    auto form = Start();
    SelectMode(*form, 6);
    // Written by the program, pCa is not an input; typed, it is used once, then shown anew.
    Edit(*form, "pCaEdit")->SetText(QStringLiteral("4"));
    form->Calculate();
    EXPECT_TRUE(LastReport(*form).contains(QStringLiteral("free Ca++ =   1.000 mM (pCa = 3.000)")));
    Type(Edit(*form, "pCaEdit"), "4");
    form->Calculate();
    EXPECT_TRUE(LastReport(*form).contains(QStringLiteral("free Ca++ = 100.000 uM (pCa = 4.000)")));
    Edit(*form, "fCaEdit")->SetValue(0.002L);
    form->Calculate();
    EXPECT_TRUE(LastReport(*form).contains(QStringLiteral("(pCa = 5.699)")));
    // A pCa whose free Ca++ has no number stops the command with the overflow message.
    Type(Edit(*form, "pCaEdit"), "-5000");
    form->Calculate();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], QString::fromUtf8(CalcMessage::Overflow.data()));
}

TEST_F(WindowTest, ConsoleIsClearedAndSavedWithCrLfLineEnds)
{
    auto form = Start();
    auto* clear = form->findChild<QAction*>(QStringLiteral("miClearConsole"));
    auto* saveAs = form->findChild<QAction*>(QStringLiteral("miSaveReportAs"));
    ASSERT_NE(clear, nullptr);
    ASSERT_NE(saveAs, nullptr);
    EXPECT_EQ(clear->text(), QStringLiteral("C&lear Console"));
    EXPECT_EQ(saveAs->text(), QStringLiteral("Save Report &As..."));

    form->Calculate();
    form->Calculate();
    const QString path = Dir.filePath(QStringLiteral("report.txt"));
    ASSERT_TRUE(form->SaveReport(path));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray report = QByteArray::fromStdString(ReportText(form->Engine(), form->State()));
    QByteArray expected = report + report;
    expected.replace("\n", "\r\n");
    EXPECT_EQ(saved.readAll(), expected);

    clear->trigger();
    EXPECT_TRUE(Console(*form)->toPlainText().isEmpty());
    form->Calculate();
    EXPECT_TRUE(Console(*form)->toPlainText().startsWith(QStringLiteral("\nZ = ")));
    EXPECT_TRUE(Messages.empty());

    // A folder, or a file in a folder that does not exist: the message names the file.
    for (const QString& bad : {Dir.path(), Dir.filePath(QStringLiteral("none/report.txt"))}) {
        Messages.clear();
        EXPECT_FALSE(form->SaveReport(bad));
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_TRUE(Messages[0].startsWith(bad + QStringLiteral(" に書き込めません\n")))
            << Messages[0].toStdString();
    }
    EXPECT_FALSE(QFile::exists(Dir.filePath(QStringLiteral("none"))));
}

TEST_F(WindowTest, FirstShowCentresTheWindowLaterShowsKeepItsPlace)
{
    auto form = Start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QPoint screenCentre = form->screen()->availableGeometry().center();
    // Before the first show the frame is not known yet: it may shift the window by its width.
    const QMargins frame = form->windowHandle()->frameMargins();
    const QPoint offset = form->geometry().center() - screenCentre;
    EXPECT_LE(std::abs(offset.x()), std::max(frame.left(), frame.right()) + 1) << offset.x();
    EXPECT_LE(std::abs(offset.y()), std::max(frame.top(), frame.bottom()) + 1) << offset.y();

    form->hide();
    form->move(10, 20);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(form->pos(), QPoint(10, 20));
}

TEST_F(WindowTest, ThirteenPixelFontAndEveryCaptionFitsItsPlace)
{
    auto form = Start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(form->font().pixelSize(), 13);
    EXPECT_EQ(TAboutBox().font().pixelSize(), 13);
    for (const QRadioButton* item : form->findChildren<QRadioButton*>()) {
        SCOPED_TRACE(item->text().toStdString());
        EXPECT_LE(item->sizeHint().width(), item->width());
    }
    // Each field label ends before the field to its right.
    for (const QLabel* label :
         form->centralWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        SCOPED_TRACE(label->text().toStdString());
        const int end = label->x() + label->fontMetrics().horizontalAdvance(label->text());
        EXPECT_LE(end, label->x() < 456 ? 360 - 2 : 544 - 2);
    }
    for (const QPushButton* button : form->findChildren<QPushButton*>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        QString caption = button->text();
        caption.remove(QLatin1Char('&'));
        EXPECT_LE(button->fontMetrics().horizontalAdvance(caption) + 8, button->width());
    }
    // A result with 8 decimals shows whole inside the field's frame and margins.
    for (const TSaNumEditExCX* edit : form->findChildren<TSaNumEditExCX*>()) {
        SCOPED_TRACE(edit->objectName().toStdString());
        EXPECT_LE(
            edit->fontMetrics().horizontalAdvance(QStringLiteral("0.00000196")) + 8, edit->width());
    }
    // The console keeps the plain fixed-pitch font, so that the report's columns line up.
    EXPECT_EQ(Console(*form)->fontInfo().pixelSize(), 13);
    EXPECT_TRUE(Console(*form)->fontInfo().fixedPitch());
    EXPECT_EQ(Console(*form)->font().stretch(), int(QFont::Unstretched));
}

TEST_F(WindowTest, TitlesAreTheCaptionsAndMessageBoxesSayQuelix)
{
    const QString name = QCoreApplication::applicationName();
    SetUpApplication();
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Quelix"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Quelix"));
    // The display name only follows the name: one set of its own is what the windowing
    // system appends to every other title ("About... — Quelix").
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("probe"));
    QCoreApplication::setApplicationName(QStringLiteral("Quelix"));

    QString boxTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            boxTitle = box->windowTitle();
            box->close();
        }
    });
    MessageBoxSink()(nullptr, TMessageKind::mkError, QStringLiteral("test"));
    EXPECT_EQ(boxTitle, QStringLiteral("Quelix"));
    QCoreApplication::setApplicationName(name);
}

TEST_F(WindowTest, EscapeInAFieldBeepsEnterCalculatesWithoutABeep)
{
    auto form = Start();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    TSaNumEditExCX* edit = Edit(*form, "tMgEdit");
    int beeps = 0;
    edit->SetBeepHandler([&] { ++beeps; });
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(beeps, 1);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(Console(*form)->toPlainText().count(QStringLiteral("Z = ")), 1);
    EXPECT_EQ(edit->GetText(), QStringLiteral("2.2"));
}

} // namespace

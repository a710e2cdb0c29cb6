// SPDX-License-Identifier: BSD-3-Clause
// The main window as it opens: controls, defaults, hints, keyboard order,
// and the band group that follows the chosen band structure.
#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QToolTip>

#include "gui/LabeledNumericEdit.h"
#include "gui/SkeldraForm.h"
#include "ui/ControlCatalog.h"

using skeldra::Box;
using skeldra::Choice;

Q_DECLARE_METATYPE(Choice)

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// The tooltip Qt really shows over a widget, container fallback included.
QString shownTooltip(QWidget* widget)
{
    QToolTip::hideText();
    const QPoint inside(2, 2);
    QHelpEvent event(QEvent::ToolTip, inside, widget->mapToGlobal(inside));
    QApplication::sendEvent(widget, &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// Its text: long hints are shown with line breaks in place of blanks.
QString tooltipOver(QWidget* widget)
{
    const QString shown = shownTooltip(widget);
    for (const QString& line : shown.split(QLatin1Char('\n'))) {
        if (line.size() > 80) return QStringLiteral("a line of %1 characters: ").arg(line.size()) + line;
    }
    return QString(shown).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

const Box bandBoxes[] = {Box::NumBands, Box::BandNum, Box::NumSingleImageLines,
                         Box::NumBandPadBytes, Box::NumRowPadBytes, Box::NumBandGapBytes};

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        form = std::make_unique<TSkeldra_Form>();
        form->modal.message = [this](const std::string& text) { messages.push_back(text); };
        messages.clear();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void opensInItsInitialState()
    {
        QCOMPARE(form->windowTitle(), QStringLiteral("Skeldra (v2.1)"));
        QCOMPARE(form->size(), QSize(780, 629));
        QVERIFY(form->findChild<QPlainTextEdit*>("Memo1")->toPlainText().isEmpty());
        QCOMPARE(form->findChild<QLabel*>("InputFilename_Label")->text(), QStringLiteral("Test.IMG"));
        QVERIFY(form->findChild<QProgressBar*>("ProgressBar1")->isHidden());
        QVERIFY(form->findChild<QPushButton*>("Abort_Button")->isHidden());
        for (Box box : bandBoxes) QVERIFY(form->box(box)->isHidden());
        QCOMPARE(form->findChild<QGroupBox*>("BandStructure_GroupBox")->height(), 40);
        QVERIFY(messages.empty());
    }

    void everyBoxCarriesItsCaptionDefaultAndHints()
    {
        for (int i = 0; i < skeldra::boxCount; ++i) {
            const skeldra::BoxSpec& described = skeldra::boxSpec(static_cast<Box>(i));
            auto* box = form->findChild<TLabeledNumericEdit*>(qs(described.objectName));
            QVERIFY2(box, described.objectName.c_str());
            QCOMPARE(box->Item_Label->text(), qs(described.caption));
            QCOMPARE(box->NumericEdit->text(), qs(described.defaultText));
            QCOMPARE(box->NumericEdit->InputType(), described.inputType);
            QCOMPARE(box->Item_Label->font().bold(), described.boldRedCaption);
            if (!box->isHidden()) {
                const std::string& editHint = described.editHint.empty() ? described.hint : described.editHint;
                QCOMPARE(tooltipOver(box->NumericEdit), qs(editHint));
                if (!described.caption.empty()) {
                    const std::string& captionHint = described.captionHint.empty() ? described.hint : described.captionHint;
                    QCOMPARE(tooltipOver(box->Item_Label), qs(captionHint));
                }
            }
        }
    }

    void everyChoiceAndButtonIsThere()
    {
        for (int i = 0; i < skeldra::choiceCount; ++i) {
            const skeldra::ChoiceSpec& described = skeldra::choiceSpec(static_cast<Choice>(i));
            auto* button = form->findChild<QAbstractButton*>(qs(described.objectName));
            QVERIFY2(button, described.objectName.c_str());
            QCOMPARE(button->text(), qs(described.caption));
            QCOMPARE(button->isChecked(), described.checkedByDefault);
            QCOMPARE(tooltipOver(button), qs(described.hint));
        }
        for (const skeldra::ControlSpec& described : skeldra::otherControls()) {
            QWidget* widget = form->findChild<QWidget*>(qs(described.objectName));
            QVERIFY2(widget, described.objectName.c_str());
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) QCOMPARE(button->text(), qs(described.caption));
            if (auto* group = qobject_cast<QGroupBox*>(widget)) QCOMPARE(group->title(), qs(described.caption));
            QCOMPARE(widget->toolTip(), qs(described.hint));
        }
        QVERIFY(form->findChild<QPushButton*>("LayoutFromLabel_Button"));
    }

    void keyboardOrderFollowsTheWindowsRows()
    {
        const QStringList expected = {
            "InputFile_Button", "HeaderBytes_LabeledNumericEdit", "NumSamples_LabeledNumericEdit",
            "BitsPerSample_LabeledNumericEdit", "UnsignedInteger_RadioButton", "SignedInteger_RadioButton",
            "Real_RadioButton", "ReverseBytes_CheckBox", "NoBands_RadioButton", "BIL_RadioButton",
            "BIP_RadioButton", "BSQ_RadioButton", "NumBands_LabeledNumericEdit", "BandNum_LabeledNumericEdit",
            "NumSingleImageLines_LabeledNumericEdit", "NumBandPadBytes_LabeledNumericEdit",
            "NumRowPadBytes_LabeledNumericEdit", "NumBandGapBytes_LabeledNumericEdit",
            "TileSamples_LabeledNumericEdit", "TileLines_LabeledNumericEdit", "Line_LabeledNumericEdit",
            "Sample_LabeledNumericEdit", "RetrievePoint_Button", "ResetArea_Button", "StartLine_LabeledNumericEdit",
            "StartSample_LabeledNumericEdit", "EndLine_LabeledNumericEdit", "EndSample_LabeledNumericEdit",
            "Histogram_Button", "ListPoints_CheckBox", "IgnoreNonDataValue_CheckBox",
            "NonDataValue_LabeledNumericEdit", "ClipPercent_LabeledNumericEdit", "MinData_LabeledNumericEdit",
            "MaxData_LabeledNumericEdit", "OriginSample_LabeledNumericEdit", "Gamma_LabeledNumericEdit",
            "Preview_Button", "AutoStretchPreview_CheckBox", "LivePreview_CheckBox",
            "MaxPreviewDimension_LabeledNumericEdit", "ConvertFile_Button", "BMP_Output_RadioButton",
            "TextOutput_RadioButton", "PNG_Output_RadioButton", "PNG16_Output_RadioButton", "TIFF_Output_RadioButton",
            "RGB_CheckBox", "RedBand_LabeledNumericEdit", "GreenBand_LabeledNumericEdit",
            "BlueBand_LabeledNumericEdit", "Abort_Button", "Memo1", "ReadHeader_Button", "LayoutFromLabel_Button", "FindLayout_Button",
            "ExplainFile_Button", "SaveLayout_Button", "MaxHeaderLineLength_LabeledNumericEdit",
            "MaxHeaderLines_LabeledNumericEdit", "Clear_Button"};
        QStringList chain;
        QWidget* start = form->findChild<QWidget*>("InputFile_Button");
        QWidget* widget = start;
        do {
            if (widget->focusPolicy() & Qt::TabFocus) {
                const bool isEdit = widget->objectName() == QLatin1String("NumericEdit");
                chain << (isEdit ? widget->parentWidget()->objectName() : widget->objectName());
            }
            widget = widget->nextInFocusChain();
        } while (widget != start && chain.size() <= expected.size());
        QCOMPARE(chain, expected);
    }

    void keyboardStartsAtInputFileAndComesBackToIt()
    {
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        auto* inputFile = form->findChild<QWidget*>("InputFile_Button");
        QCOMPARE(QApplication::focusWidget(), inputFile);
        form->findChild<QWidget*>("Clear_Button")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), inputFile);
        QTest::keyClick(inputFile, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form->box(Box::HeaderBytes)->NumericEdit);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), inputFile);
    }

    void bandGroupFollowsTheStructure_data()
    {
        QTest::addColumn<Choice>("structure");
        QTest::addColumn<QList<int>>("shown");
        QTest::addColumn<int>("height");
        const auto list = [](std::initializer_list<Box> boxes) {
            QList<int> result;
            for (Box box : boxes) result << static_cast<int>(box);
            return result;
        };
        QTest::addColumn<bool>("byOperation");
        // An operation checking a button (Layout from Label) runs the handler as a click does.
        for (bool byOperation : {false, true}) {
            const char* how = byOperation ? " checked by an operation" : " clicked";
            QTest::addRow("BIL%s", how) << Choice::BIL
                                        << list({Box::NumBands, Box::BandNum, Box::NumBandPadBytes,
                                                 Box::NumRowPadBytes})
                                        << 100 << byOperation;
            QTest::addRow("BIP%s", how) << Choice::BIP << list({Box::NumBands, Box::BandNum, Box::NumRowPadBytes})
                                        << 100 << byOperation;
            QTest::addRow("BSQ%s", how) << Choice::BSQ
                                        << list({Box::NumBands, Box::BandNum, Box::NumSingleImageLines,
                                                 Box::NumRowPadBytes, Box::NumBandGapBytes})
                                        << 100 << byOperation;
        }
    }

    void bandGroupFollowsTheStructure()
    {
        QFETCH(Choice, structure);
        QFETCH(QList<int>, shown);
        QFETCH(int, height);
        QFETCH(bool, byOperation);
        const auto choose = [&](Choice choice) {
            if (byOperation)
                form->check(choice);
            else
                QTest::mouseClick(form->choiceButton(choice), Qt::LeftButton);
        };
        auto* group = form->findChild<QGroupBox*>("BandStructure_GroupBox");
        const auto expectBoxes = [&](const QList<int>& visible) {
            for (Box box : bandBoxes)
                QCOMPARE(form->box(box)->isVisibleTo(form.get()), visible.contains(static_cast<int>(box)));
        };

        const int windowWidth = form->width();
        for (int round = 0; round < 3; ++round) {
            choose(structure);
            expectBoxes(shown);
            QCOMPARE(group->height(), height);
            choose(Choice::NoBands);
            expectBoxes({});
            QCOMPARE(group->height(), 40);
            choose(Choice::BSQ);
            choose(Choice::BIL);
        }
        QApplication::processEvents();
        QCOMPARE(form->width(), windowWidth);
    }

private:
    std::unique_ptr<TSkeldra_Form> form;
    std::vector<std::string> messages;
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"

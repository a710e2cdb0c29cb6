// SPDX-License-Identifier: BSD-3-Clause
// The shared behaviour of the main window, driven through its real widgets:
// numeric box messages, the file name label, the dialogs' presets, the
// progress and abort protocol, the error box and the preview window.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "gui/FileNameLabel.h"
#include "gui/ImagePreviewForm.h"
#include "gui/LabeledNumericEdit.h"
#include "gui/SkeldraForm.h"

using skeldra::Box;

namespace {

// A raster with the window's default layout: 10240 header bytes, then 100
// lines of 1024 bytes; all samples are 7 but one 255 on the last line.
QString writeDefaultRaster(const QTemporaryDir& dir)
{
    QByteArray bytes(10240, ' ');
    QByteArray samples(100 * 1024, char(7));
    samples[99 * 1024 + 500] = char(255);
    bytes += samples;
    const QString path = dir.filePath("raster.img");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

}  // namespace

class InteractionTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        form = std::make_unique<TSkeldra_Form>();
        messages.clear();
        errors.clear();
        form->modal.message = [this](const std::string& text) { messages.push_back(text); };
        form->modal.error = [this](const std::string& text) { errors.push_back(text); };
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(dir.isValid());
        raster = writeDefaultRaster(dir);
        QVERIFY(!raster.isEmpty());
        form->state.InputFilename = raster.toStdString();
    }
    void cleanup() { form.reset(); }

    void badEntryShowsParseThenSubstitution()
    {
        TNumericEdit* line = form->box(Box::Line)->NumericEdit;
        line->selectAll();
        QTest::keyClicks(line, "abc");
        click("RetrievePoint_Button");
        const std::vector<std::string> first = {"\"abc\" is not a valid integer; error at position 1",
                                                "Substituting \"0\" for \"abc\" (invalid entry)"};
        QCOMPARE(messages, first);

        // Unchanged text: validated already, only the substitution again.
        messages.clear();
        click("RetrievePoint_Button");
        QCOMPARE(messages, std::vector<std::string>{first[1]});

        // Typing clears the validation state; blanks are trimmed in the box.
        messages.clear();
        line->selectAll();
        QTest::keyClicks(line, " 100\t");
        click("RetrievePoint_Button");
        QVERIFY(messages.empty());
        QCOMPARE(line->text(), QStringLiteral("100"));
        QCOMPARE(lastLogLine(), QStringLiteral("Line: 100  Sample: 1   Data: 7"));
    }

    void labelShortensPathToItsWidth_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("fitting");
        QTest::addColumn<int>("slack");
        QTest::addColumn<QString>("shown");
        const QString path = QStringLiteral("C:\\data\\mars\\img\\a.img");
        QTest::newRow("whole path fits") << path << path << 0 << path;
        QTest::newRow("one folder cut") << path << "C:\\...\\img\\a.img" << 0 << "C:\\...\\img\\a.img";
        QTest::newRow("a pixel short") << path << "C:\\...\\img\\a.img" << -1 << "C:\\...\\a.img";
        QTest::newRow("drive dropped") << path << "...\\a.img" << 0 << "...\\a.img";
        QTest::newRow("bare name too wide") << path << "a.im" << 0 << "a.img";
        QTest::newRow("unix folders") << "/home/ann/scene.img" << "/.../scene.img" << 0 << "/.../scene.img";
    }

    void labelShortensPathToItsWidth()
    {
        QFETCH(QString, path);
        QFETCH(QString, fitting);
        QFETCH(int, slack);
        QFETCH(QString, shown);
        auto* label = form->findChild<FileNameLabel*>("InputFilename_Label");
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        label->setFont(font);
        label->setFixedWidth(QFontMetrics(font).horizontalAdvance(fitting) + slack);
        QApplication::processEvents();
        form->showInputFilenameLabel(path.toStdString());
        QCOMPARE(label->text(), shown);
    }

    void labelShowsMoreWhenWidened()
    {
        auto* label = form->findChild<FileNameLabel*>("InputFilename_Label");
        const QString path = QStringLiteral("/srv/archive/mission/orbit/scene.img");
        label->setFixedWidth(label->fontMetrics().horizontalAdvance("scene.img"));
        form->showInputFilenameLabel(path.toStdString());
        QCOMPARE(label->text(), QStringLiteral("scene.img"));
        label->setFixedWidth(label->fontMetrics().horizontalAdvance(path) + 10);
        QApplication::processEvents();
        QCOMPARE(label->text(), path);
    }

    void openDialogPresetsAndSaveName()
    {
        std::vector<std::string> proposals;
        std::optional<std::string> answer = "D:\\data\\scene.img";
        form->modal.openFile = [&](const std::string& proposed) {
            proposals.push_back(proposed);
            return answer;
        };
        form->state.InputFilename = "Test.IMG";
        click("InputFile_Button");
        QCOMPARE(proposals, std::vector<std::string>{"Test.IMG"});
        QCOMPARE(memo()->toPlainText(), QStringLiteral("Input file: D:\\data\\scene.img\n"));
        QCOMPARE(form->state.SaveDialogFileName, std::string("D:\\data\\scene.bmp"));

        answer = "D:\\data\\raw";
        click("InputFile_Button");
        QCOMPARE(proposals.back(), std::string("D:\\data\\scene.img"));
        QCOMPARE(form->state.SaveDialogFileName, std::string("D:\\data\\raw.bmp"));

        // Cancelling changes nothing.
        answer.reset();
        const QString logBefore = memo()->toPlainText();
        click("InputFile_Button");
        QCOMPARE(form->state.InputFilename, std::string("D:\\data\\raw"));
        QCOMPARE(memo()->toPlainText(), logBefore);

        std::string saveProposal;
        form->modal.saveFile = [&](const std::string& proposed) {
            saveProposal = proposed;
            return std::optional<std::string>{};
        };
        QVERIFY(!form->askSaveFileName("D:\\data\\raw.bmp"));
        QCOMPARE(saveProposal, std::string("D:\\data\\raw.bmp"));
    }

    void abortStopsTheHistogramAndTheNextRunsInFull()
    {
        auto* abort = form->findChild<QPushButton*>("Abort_Button");
        auto* bar = form->findChild<QProgressBar*>("ProgressBar1");
        bool barShownAtAbort = false;
        // Runs at the histogram's first event pump, as a user's click would.
        QTimer::singleShot(0, abort, [&] {
            barShownAtAbort = bar->isVisible();
            QTest::mouseClick(abort, Qt::LeftButton);
        });
        click("Histogram_Button");
        QVERIFY(barShownAtAbort);
        QVERIFY(abort->isHidden());
        QVERIFY(bar->isHidden());
        QVERIFY(memo()->toPlainText().contains("Processing aborted..."));
        // The 255 on the last line was never read.
        QCOMPARE(form->box(Box::MaxData)->NumericEdit->text(), QStringLiteral("7"));

        click("Histogram_Button");
        QCOMPARE(form->box(Box::MaxData)->NumericEdit->text(), QStringLiteral("255"));
        QVERIFY(errors.empty());
    }

    void closingDuringAnOperationAbortsItFirst()
    {
        QTimer::singleShot(0, form.get(), [&] { form->close(); });
        click("Histogram_Button");
        QVERIFY(memo()->toPlainText().contains("Processing aborted..."));
        QVERIFY(!form->isVisible());
        QCOMPARE(form->box(Box::MaxData)->NumericEdit->text(), QStringLiteral("7"));
    }

    void missingInputFileShowsTheErrorBoxAndGoesOnIdle()
    {
        form->state.InputFilename = dir.filePath("missing.img").toStdString();
        click("Histogram_Button");
        QCOMPARE(errors, std::vector<std::string>{"File not found."});
        QVERIFY(form->findChild<QProgressBar*>("ProgressBar1")->isHidden());
        QVERIFY(form->findChild<QPushButton*>("Abort_Button")->isHidden());
        form->state.InputFilename = raster.toStdString();
        click("RetrievePoint_Button");
        QCOMPARE(lastLogLine(), QStringLiteral("Line: 1  Sample: 1   Data: 7"));
    }

    void defaultBoxesAreModalAndCaptionedSkeldra_data()
    {
        QTest::addColumn<bool>("error");
        QTest::addColumn<int>("icon");
        QTest::newRow("message") << false << int(QMessageBox::NoIcon);
        QTest::newRow("error") << true << int(QMessageBox::Critical);
    }

    void defaultBoxesAreModalAndCaptionedSkeldra()
    {
        QFETCH(bool, error);
        QFETCH(int, icon);
        TSkeldra_Form plain;
        QString title, text;
        int shownIcon = -1;
        QMessageBox::StandardButtons buttons;
        QTimer::singleShot(0, &plain, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            text = box->text();
            shownIcon = box->icon();
            buttons = box->standardButtons();
            box->button(QMessageBox::Ok)->click();
        });
        if (error)
            plain.showError("File not found.");
        else
            plain.showMessage("Correcting illegal Band #");
        QCOMPARE(title, QStringLiteral("Skeldra"));
        QCOMPARE(text, error ? QStringLiteral("File not found.") : QStringLiteral("Correcting illegal Band #"));
        QCOMPARE(shownIcon, icon);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void questionBoxAnswersYesOrNoWithNoAsDefault_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::newRow("yes") << int(QMessageBox::Yes);
        QTest::newRow("no") << int(QMessageBox::No);
    }

    void questionBoxAnswersYesOrNoWithNoAsDefault()
    {
        QFETCH(int, clicked);
        TSkeldra_Form plain;
        QString title, text;
        QMessageBox::StandardButtons buttons;
        QAbstractButton* defaultButton = nullptr;
        QAbstractButton* noButton = nullptr;
        QTimer::singleShot(0, &plain, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            title = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            defaultButton = box->defaultButton();
            noButton = box->button(QMessageBox::No);
            box->button(static_cast<QMessageBox::StandardButton>(clicked))->click();
        });
        const bool answer = plain.askYesNo("Read /data/x.img?");
        QCOMPARE(title, QStringLiteral("Skeldra"));
        QCOMPARE(text, QStringLiteral("Read /data/x.img?"));
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No));
        QCOMPARE(defaultButton, noButton);
        QCOMPARE(answer, clicked == QMessageBox::Yes);
    }

    void previewWindowFitsThePictureAndKeepsItsPlace()
    {
        TImagePreview_Form preview;
        form->attachPreview(&preview);
        QVERIFY(preview.isHidden());
        const QPoint place = preview.pos();
        form->showPreview(picture(100, 100));
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.size(), QSize(100, 100));
        QCOMPARE(preview.Image1->pixmap().toImage().pixelColor(3, 2), QColor(30, 20, 10));

        preview.close();
        QVERIFY(preview.isHidden());
        form->showPreview(picture(60, 40));
        QVERIFY(preview.isVisible());
        QCOMPARE(preview.size(), QSize(60, 40));
        QCOMPARE(preview.pos(), place);

        // A one-sample-wide area keeps its picture, in a window that can be clicked.
        form->showPreview(picture(1, 40));
        QCOMPARE(preview.Image1->pixmap().size(), QSize(1, 40));
        QCOMPARE(preview.size(), QSize(32, 40));
    }

    // Listing every point of the whole raster (102,400 lines) keeps the log
    // to its limit, the latest lines shown.
    void theLogKeepsItsLatestLines()
    {
        form->choiceButton(skeldra::Choice::ListPoints)->setChecked(true);
        click("Histogram_Button");
        QCOMPARE(memo()->blockCount(), TSkeldra_Form::logLineLimit);
        QVERIFY(memo()->toPlainText().contains("Line: 100  Sample: 1024   Data: 7"));
        QVERIFY(!memo()->toPlainText().contains("Line: 1  Sample: 1   Data: 7"));
        QVERIFY(lastLogLine().startsWith("Min data: 7"));
    }

    // The save dialog of "Save Layout..." offers the three kinds; the kind
    // follows the name chosen.
    void saveLayoutOffersTheThreeKinds()
    {
        std::string proposal;
        std::vector<std::string> kinds;
        const std::string chosen = dir.filePath("raster.hdr").toStdString();
        form->modal.saveFileOfKind = [&](const std::string& proposed, const std::vector<std::string>& filters) {
            proposal = proposed;
            kinds = filters;
            return std::optional<std::string>(chosen);
        };
        click("SaveLayout_Button");
        QCOMPARE(errors, std::vector<std::string>{});
        QCOMPARE(proposal, dir.filePath("raster.vrt").toStdString());
        QCOMPARE(kinds, (std::vector<std::string>{"GDAL VRT (*.vrt)", "ENVI header (*.hdr)", "PDS3 label (*.lbl)"}));
        QFile header(QString::fromStdString(chosen));
        QVERIFY(header.open(QIODevice::ReadOnly));
        const QByteArray text = header.readAll();
        QVERIFY(text.startsWith("ENVI\n"));
        QVERIFY(text.contains("lines = 100\n"));
        QCOMPARE(lastLogLine(), QString::fromStdString("ENVI header written to: " + chosen));
    }

    // Layout from Label on a tiled ISIS3 cube fills the tile boxes, which
    // then read as the other boxes, and the preview shows the picture that
    // the same samples stored in lines give, not its tiles shuffled.
    void tiledCubeFromLabelPreviewsThePicture()
    {
        constexpr int samples = 10, lines = 7, tileSamples = 4, tileLines = 3;
        const auto value = [](int l, int s) { return char(1 + s * 20 + l * 3); };
        QByteArray cube = "Object = IsisCube\n Object = Core\n  StartByte = 1025\n  Format = Tile\n"
                          "  TileSamples = 4\n  TileLines = 3\n  Group = Dimensions\n   Samples = 10\n"
                          "   Lines = 7\n   Bands = 1\n  End_Group\n  Group = Pixels\n   Type = UnsignedByte\n"
                          "   ByteOrder = Lsb\n  End_Group\n End_Object\nEnd_Object\nEnd\n";
        cube.resize(1024, ' ');
        QByteArray inLines(1024, ' ');
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                for (int l = row * tileLines; l < (row + 1) * tileLines; ++l)
                    for (int s = column * tileSamples; s < (column + 1) * tileSamples; ++s)
                        cube += l < lines && s < samples ? value(l, s) : char(0);
        for (int l = 0; l < lines; ++l)
            for (int s = 0; s < samples; ++s) inLines += value(l, s);
        const QString cubePath = write("tiles.cub", cube);
        const QString linesPath = write("lines.img", inLines);

        const QColor muted = form->palette().color(QPalette::PlaceholderText);
        QCOMPARE(form->box(Box::TileSamples)->Item_Label->palette().color(QPalette::WindowText), muted);
        form->state.InputFilename = cubePath.toStdString();
        click("LayoutFromLabel_Button");
        QCOMPARE(form->boxText(Box::TileSamples), std::string("4"));
        QCOMPARE(form->boxText(Box::TileLines), std::string("3"));
        QVERIFY(form->box(Box::TileSamples)->Item_Label->palette().color(QPalette::WindowText) != muted);

        TImagePreview_Form preview;
        form->attachPreview(&preview);
        form->setBoxText(Box::MinData, "0");
        form->setBoxText(Box::MaxData, "255");
        click("Preview_Button");
        const QImage fromTiles = preview.Image1->pixmap().toImage();
        for (Box box : {Box::TileSamples, Box::TileLines}) form->setBoxText(box, "0");
        form->state.InputFilename = linesPath.toStdString();
        click("Preview_Button");
        QCOMPARE(errors, std::vector<std::string>{});
        QCOMPARE(fromTiles.size(), QSize(samples, lines));
        QCOMPARE(fromTiles, preview.Image1->pixmap().toImage());
    }

private:
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
    }
    void click(const char* button)
    {
        auto* widget = form->findChild<QPushButton*>(button);
        QVERIFY2(widget, button);
        QTest::mouseClick(widget, Qt::LeftButton);
    }
    QPlainTextEdit* memo() const { return form->findChild<QPlainTextEdit*>("Memo1"); }
    QString lastLogLine() const
    {
        QStringList lines = memo()->toPlainText().split('\n');
        while (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
        return lines.isEmpty() ? QString() : lines.back();
    }
    // Blue 10, green 20, red 30 at every pixel.
    static skeldra::PreviewPicture picture(int width, int height)
    {
        skeldra::PreviewPicture result;
        result.Width = width;
        result.Height = height;
        for (int i = 0; i < width * height; ++i) result.Bgr.insert(result.Bgr.end(), {10, 20, 30});
        return result;
    }

    std::unique_ptr<TSkeldra_Form> form;
    std::vector<std::string> messages;
    std::vector<std::string> errors;
    QTemporaryDir dir;
    QString raster;
};

QTEST_MAIN(InteractionTest)
#include "InteractionTest.moc"

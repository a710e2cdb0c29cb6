// SPDX-License-Identifier: BSD-3-Clause
// The preview window under the mouse: the readout of the pixel under the
// pointer, a click that retrieves the point, the rubber band that sets the
// area and Backspace that restores it, the Live preview while typing, and
// the log's fixed-width font with its control pictures.
#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include "gui/ImagePreviewForm.h"
#include "gui/LabeledNumericEdit.h"
#include "gui/SkeldraForm.h"

using skeldra::Box;
using skeldra::Choice;

namespace {

constexpr int lines = 40;
constexpr int samples = 60;

// 16-bit samples, most significant byte first, worth line * 100 + sample.
QString writePositionRaster(const QTemporaryDir& dir)
{
    QByteArray bytes;
    for (int l = 1; l <= lines; ++l)
        for (int s = 1; s <= samples; ++s) {
            const int v = l * 100 + s;
            bytes.append(char(v >> 8)).append(char(v & 0xFF));
        }
    const QString path = dir.filePath("position.img");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

QString pointText(int line, int sample)
{
    return QStringLiteral("Line: %1  Sample: %2   Data: %3").arg(line).arg(sample).arg(line * 100 + sample);
}

}  // namespace

class PreviewPointerTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        raster = writePositionRaster(dir);
        QVERIFY(!raster.isEmpty());
        form = std::make_unique<TSkeldra_Form>();
        preview = std::make_unique<TImagePreview_Form>();
        form->attachPreview(preview.get());
        messages.clear();
        form->modal.message = [this](const std::string& text) { messages.push_back(text); };
        form->modal.error = [this](const std::string& text) { messages.push_back(text); };
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->state.InputFilename = raster.toStdString();
        for (const auto& [box, text] : std::vector<std::pair<Box, QString>>{
                 {Box::HeaderBytes, "0"}, {Box::NumSamples, QString::number(samples)}, {Box::BitsPerSample, "16"},
                 {Box::EndLine, QString::number(lines)}, {Box::EndSample, QString::number(samples)},
                 {Box::MaxData, "5000"}})
            type(box, text);
        form->choiceButton(Choice::ReverseBytes)->setChecked(true);
    }
    void cleanup()
    {
        form.reset();
        preview.reset();
    }

    void hoverReadsThePixelsSample_data()
    {
        QTest::addColumn<QString>("previewSize");
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("sample");
        QTest::newRow("one to one") << "500" << "1" << QPoint(9, 4) << 5 << 10;
        // 60 x 40 at size 20: a step of 3.
        QTest::newRow("reduced") << "20" << "1" << QPoint(5, 2) << 7 << 16;
        QTest::newRow("reduced, last pixel") << "20" << "1" << QPoint(19, 12) << 37 << 58;
        // Rows turned about sample 41: column 20 is the first after the seam.
        QTest::newRow("turned, before the seam") << "500" << "41" << QPoint(19, 0) << 1 << 60;
        QTest::newRow("turned, after the seam") << "500" << "41" << QPoint(20, 0) << 1 << 1;
    }

    void hoverReadsThePixelsSample()
    {
        QFETCH(QString, previewSize);
        QFETCH(QString, origin);
        QFETCH(QPoint, pixel);
        QFETCH(int, line);
        QFETCH(int, sample);
        type(Box::MaxPreviewDimension, previewSize);
        type(Box::OriginSample, origin);
        form->Preview_ButtonClick();
        QVERIFY(preview->isVisible());
        movePointer(pixel);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), pointText(line, sample));

        // A click puts the point into Line and Sample and retrieves it.
        QTest::mouseClick(preview.get(), Qt::LeftButton, {}, pixel);
        QCOMPARE(form->box(Box::Line)->NumericEdit->text(), QString::number(line));
        QCOMPARE(form->box(Box::Sample)->NumericEdit->text(), QString::number(sample));
        QCOMPARE(lastLogLine(), pointText(line, sample));
        QVERIFY(messages.empty());
    }

    void rubberBandSetsTheAreaAndBackspaceRestoresIt_data()
    {
        QTest::addColumn<QString>("previewSize");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QStringList>("area");  // start line, end line, start sample, end sample
        QTest::addColumn<QSize>("picture");
        QTest::newRow("one to one") << "500" << QPoint(10, 5) << QPoint(29, 14)
                                    << QStringList{"6", "15", "11", "30"} << QSize(20, 10);
        QTest::newRow("drawn upward") << "500" << QPoint(29, 14) << QPoint(10, 5)
                                      << QStringList{"6", "15", "11", "30"} << QSize(20, 10);
        // Each pixel stands for 3 lines and 3 samples.
        QTest::newRow("reduced") << "20" << QPoint(2, 1) << QPoint(9, 6) << QStringList{"4", "21", "7", "30"}
                                 << QSize(20, 15);
        QTest::newRow("past the edge") << "500" << QPoint(50, 30) << QPoint(90, 70)
                                       << QStringList{"31", "40", "51", "60"} << QSize(10, 10);
    }

    void rubberBandSetsTheAreaAndBackspaceRestoresIt()
    {
        QFETCH(QString, previewSize);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QStringList, area);
        QFETCH(QSize, picture);
        type(Box::MaxPreviewDimension, previewSize);
        form->Preview_ButtonClick();
        const QSize first = preview->size();
        const Box areaBoxes[] = {Box::StartLine, Box::EndLine, Box::StartSample, Box::EndSample};

        QTest::mousePress(preview.get(), Qt::LeftButton, {}, from);
        movePointer((from + to) / 2, Qt::LeftButton);
        movePointer(to, Qt::LeftButton);
        QTest::mouseRelease(preview.get(), Qt::LeftButton, {}, to);
        for (int i = 0; i < 4; ++i) QCOMPARE(form->box(areaBoxes[i])->NumericEdit->text(), area[i]);
        QCOMPARE(lastLogLine(), QStringLiteral("Area of interest from the preview: lines %1 to %2, samples %3 to %4")
                                    .arg(area[0], area[1], area[2], area[3]));
        QCOMPARE(preview->Image1->pixmap().size(), picture);
        QCOMPARE(preview->size(), picture.expandedTo(QSize(32, 32)));  // a window small pictures leave usable
        QVERIFY(preview->Back_Action->isEnabled());

        QTest::keyClick(preview.get(), Qt::Key_Backspace);
        const QStringList whole{"1", QString::number(lines), "1", QString::number(samples)};
        for (int i = 0; i < 4; ++i) QCOMPARE(form->box(areaBoxes[i])->NumericEdit->text(), whole[i]);
        QCOMPARE(preview->size(), first);
        QVERIFY(!preview->Back_Action->isEnabled());
        QVERIFY(messages.empty());
    }

    void liveRedrawsAfterTypingPauses()
    {
        form->Preview_ButtonClick();
        QVERIFY(QTest::qWaitForWindowActive(preview.get()));  // Preview brings its window to the front
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        QCOMPARE(preview->size(), QSize(samples, lines));
        form->choiceButton(Choice::AutoStretchPreview)->setChecked(true);
        QTest::mouseClick(form->findChild<QAbstractButton*>("LivePreview_CheckBox"), Qt::LeftButton);

        TNumericEdit* width = form->box(Box::NumSamples)->NumericEdit;
        width->setFocus();
        width->selectAll();
        QTest::keyClicks(width, "3x");  // not a number yet: no message, no picture
        QTest::qWait(450);
        QVERIFY(messages.empty());
        QCOMPARE(preview->size(), QSize(samples, lines));
        QCOMPARE(width->text(), QStringLiteral("3x"));

        QTest::keyClick(width, Qt::Key_Backspace);
        QTest::keyClick(width, Qt::Key_0);  // 30 samples a line: twice the lines, half as wide
        QElapsedTimer sinceLastKey;
        sinceLastKey.start();
        QTRY_COMPARE_WITH_TIMEOUT(form->box(Box::NumSamples)->NumericEdit->text(), QStringLiteral("30"), 100);
        QTRY_COMPARE(preview->source().Layout.NumSamples, 30);
        QVERIFY(sinceLastKey.elapsed() >= 250);  // once the typing has paused, not at the key
        // The redrawn picture does not take the keyboard away from the box.
        QCOMPARE(QApplication::activeWindow(), form.get());
        QVERIFY(messages.empty());
    }

    void liveIsOffByDefault()
    {
        form->Preview_ButtonClick();
        type(Box::NumSamples, "30");
        QTest::qWait(450);
        QCOMPARE(preview->source().Layout.NumSamples, samples);
    }

    void logShowsControlBytesAsPicturesInAFixedFont()
    {
        auto* memo = form->findChild<QPlainTextEdit*>("Memo1");
        const QFontMetrics metrics(memo->font());
        QCOMPARE(metrics.horizontalAdvance(QLatin1Char('i')), metrics.horizontalAdvance(QLatin1Char('W')));
        form->clearLog();
        form->appendLog("A\rB\tC\x01\x7f" "D");
        form->appendLog("PDS_VERSION_ID = PDS3");
        QCOMPARE(memo->toPlainText(), QString::fromUtf8("A\u240dB\u2409C\u2401\u2421D\nPDS_VERSION_ID = PDS3"));
        QCOMPARE(memo->blockCount(), 2);
    }

private:
    void type(Box box, const QString& text) { form->box(box)->NumericEdit->setText(text); }
    // A pointer move over the preview as the window system delivers it.
    void movePointer(QPoint at, Qt::MouseButtons held = Qt::NoButton)
    {
        QMouseEvent move(QEvent::MouseMove, at, preview->mapToGlobal(at), Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(preview.get(), &move);
    }
    QString lastLogLine() const
    {
        QStringList all = form->findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n');
        while (!all.isEmpty() && all.back().isEmpty()) all.removeLast();
        return all.isEmpty() ? QString() : all.back();
    }

    QTemporaryDir dir;
    QString raster;
    std::unique_ptr<TSkeldra_Form> form;
    std::unique_ptr<TImagePreview_Form> preview;
    std::vector<std::string> messages;
};

QTEST_MAIN(PreviewPointerTest)
#include "PreviewPointerTest.moc"

// SPDX-License-Identifier: BSD-3-Clause
// The window with RGB ticked: the preview in colour, each channel stretched
// by its own range, the pointer reading the three values, the gray preview
// back when RGB is cleared, and the histogram window after Histogram.
#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include "gui/HistogramForm.h"
#include "gui/ImagePreviewForm.h"
#include "gui/LabeledNumericEdit.h"
#include "gui/SkeldraForm.h"

using skeldra::Box;
using skeldra::Choice;

namespace {

constexpr int lines = 10;
constexpr int samples = 20;

// Ranges of 5, 255 and 51 levels apart: every level is a whole number.
int value(int band, int line, int sample)
{
    const int k = (line - 1) * samples + (sample - 1);
    if (band == 1) return 10 + k % 6;
    if (band == 2) return k % 52 * 5;
    return 100 + k % 52;
}

int level(int band, int line, int sample)
{
    const int low[] = {10, 0, 100}, range[] = {5, 255, 51};
    return 255 * (value(band, line, sample) - low[band - 1]) / range[band - 1];
}

}  // namespace

class ColourPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        QByteArray bytes;
        for (int l = 1; l <= lines; ++l)
            for (int s = 1; s <= samples; ++s)
                for (int b = 1; b <= 3; ++b) bytes.append(char(value(b, l, s)));
        const QString path = dir.filePath("bip.img");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        form = std::make_unique<TSkeldra_Form>();
        preview = std::make_unique<TImagePreview_Form>();
        form->attachPreview(preview.get());
        form->modal.message = [this](const std::string& text) { messages.push_back(text); };
        form->modal.error = [this](const std::string& text) { messages.push_back(text); };
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->state.InputFilename = path.toStdString();
        for (const auto& [box, text] : std::vector<std::pair<Box, QString>>{
                 {Box::HeaderBytes, "0"}, {Box::NumSamples, QString::number(samples)}, {Box::NumBands, "3"},
                 {Box::EndLine, QString::number(lines)}, {Box::EndSample, QString::number(samples)},
                 {Box::MaxData, "255"}, {Box::RedBand, "3"}, {Box::GreenBand, "1"}, {Box::BlueBand, "2"}})
            form->box(box)->NumericEdit->setText(text);
        form->choiceButton(Choice::BIP)->setChecked(true);
    }
    void cleanup()
    {
        form.reset();
        preview.reset();
        messages.clear();
    }

    void previewInColourReadsThreeValuesAndGrayComesBack()
    {
        form->choiceButton(Choice::RGB)->setChecked(true);
        form->Preview_ButtonClick();
        QVERIFY(preview->isVisible());
        const QImage colour = preview->Image1->pixmap().toImage();
        QCOMPARE(colour.size(), QSize(samples, lines));
        for (const QPoint at : {QPoint(0, 0), QPoint(7, 3), QPoint(19, 9), QPoint(12, 6)}) {
            const int line = at.y() + 1, sample = at.x() + 1;
            QCOMPARE(colour.pixelColor(at), QColor(level(3, line, sample), level(1, line, sample), level(2, line, sample)));
        }
        QCOMPARE(lastLogLines(3), (QStringList{"Red band 3:  Min data: 100   Max data: 151",
                                                "Green band 1:  Min data: 10   Max data: 15",
                                                "Blue band 2:  Min data: 0   Max data: 255"}));

        const QPoint pixel(7, 3);
        QMouseEvent move(QEvent::MouseMove, pixel, preview->mapToGlobal(pixel), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(preview.get(), &move);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Line: 4  Sample: 8   R (band 3): %1 G (band 1): %2 B (band 2): %3")
                                       .arg(value(3, 4, 8))
                                       .arg(value(1, 4, 8))
                                       .arg(value(2, 4, 8)));

        // RGB cleared: band 1 in gray through Min data and Max data, and no channel lines.
        const int logLines = allLogLines().size();
        form->choiceButton(Choice::RGB)->setChecked(false);
        form->Preview_ButtonClick();
        const QImage gray = preview->Image1->pixmap().toImage();
        QCOMPARE(gray.pixelColor(pixel), QColor(value(1, 4, 8), value(1, 4, 8), value(1, 4, 8)));
        QCOMPARE(allLogLines().size(), logLines);
        QVERIFY(messages.empty());
    }

    void histogramOpensItsWindow()
    {
        QVERIFY(form->histogramWindow() == nullptr);
        form->Histogram_ButtonClick();
        QVERIFY(form->histogramWindow() != nullptr && form->histogramWindow()->isVisible());
        const QImage first = form->histogramWindow()->Image1->pixmap().toImage();
        QCOMPARE(first.size(), QSize(560, 280));
        form->histogramWindow()->LogCounts_CheckBox->setChecked(true);
        QVERIFY(form->histogramWindow()->Image1->pixmap().toImage() != first);
        QVERIFY(messages.empty());
    }

private:
    QStringList allLogLines() const
    {
        QStringList all = form->findChild<QPlainTextEdit*>("Memo1")->toPlainText().split('\n');
        while (!all.isEmpty() && all.back().isEmpty()) all.removeLast();
        return all;
    }
    QStringList lastLogLines(int n) const
    {
        const QStringList all = allLogLines();
        return all.mid(std::max<qsizetype>(0, all.size() - n));
    }

    QTemporaryDir dir;
    std::unique_ptr<TSkeldra_Form> form;
    std::unique_ptr<TImagePreview_Form> preview;
    std::vector<std::string> messages;
};

QTEST_MAIN(ColourPreviewTest)
#include "ColourPreviewTest.moc"

// Find Layout in the Qt window: the list of candidates with their pictures,
// how a row is chosen, and the button that leads there.
#include <QDialogButtonBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "discover/Discovery.h"
#include "gui/CandidateDialog.h"
#include "gui/LabeledNumericEdit.h"
#include "gui/SkeldraForm.h"
#include "window/FindLayout.h"

using skeldra::Box;
using skeldra::CandidateView;
using skeldra::Choice;

namespace {

// A 2 x 1 picture: a dark and a light pixel.
std::vector<CandidateView> twoCandidates()
{
    return {{"517 samples x 300 lines", "0.92", "rows repeat every 3106 bytes", {2, 1, {40, 200}}},
            {"517 samples x 150 lines", "0.64", "rows repeat every 6212 bytes", {}}};
}

// 200 lines of 2 bands BIL, 301 big-endian 16-bit samples each, after 512
// header bytes: a smooth surface.
QString writeBilRaster(const QTemporaryDir& dir)
{
    QByteArray bytes(512, ' ');
    for (int line = 0; line < 200; ++line)
        for (int band = 0; band < 2; ++band)
            for (int sample = 0; sample < 301; ++sample) {
                const auto v = static_cast<uint16_t>(
                    std::lround(900 + 600 * std::sin(line / 29.0 + band) * std::cos(sample / 41.0) + sample % 3));
                bytes.append(static_cast<char>(v >> 8)).append(static_cast<char>(v & 0xff));
            }
    const QString path = dir.filePath("bil.raw");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

}  // namespace

class FindLayoutDialogTest : public QObject {
    Q_OBJECT

private slots:
    void listsEveryCandidateWithItsPicture()
    {
        CandidateDialog dialog("The label looks wrong", twoCandidates());
        QListWidget* list = dialog.list();
        QCOMPARE(list->count(), 2);
        QVERIFY(list->item(0)->text().contains(QStringLiteral("0.92")));
        QVERIFY(list->item(0)->text().contains(QStringLiteral("rows repeat every 3106 bytes")));
        QVERIFY(list->item(1)->text().contains(QStringLiteral("no picture")));
        const QSize side(skeldra::candidatePictureSize, skeldra::candidatePictureSize);
        const QImage drawn = list->item(0)->icon().pixmap(side).toImage();
        const QImage blank = list->item(1)->icon().pixmap(side).toImage();
        // The picture is centred on its square and scaled up without tinting.
        const QPoint middle(side.width() / 2, side.height() / 2);
        QCOMPARE(qGray(drawn.pixel(middle - QPoint(side.width() / 4, 0))), 40);
        QCOMPARE(qGray(drawn.pixel(middle + QPoint(side.width() / 4, 0))), 200);
        QCOMPARE(qAlpha(blank.pixel(middle)), 0);
        QCOMPARE(list->currentRow(), 0);
    }

    void doubleClickChoosesTheRowAndCancelChoosesNone()
    {
        CandidateDialog chosen("", twoCandidates());
        chosen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chosen));
        QListWidget* list = chosen.list();
        const QPoint second = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(chosen.result(), int(QDialog::Accepted));
        QCOMPARE(chosen.chosen(), std::optional<size_t>(1));

        CandidateDialog cancelled("", twoCandidates());
        cancelled.show();
        cancelled.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(cancelled.chosen(), std::optional<size_t>());
    }

    void choosingSetsTheBoxesAndTheBandGroup()
    {
        QTemporaryDir dir;
        const QString raster = writeBilRaster(dir);
        QVERIFY(!raster.isEmpty());
        TSkeldra_Form form;
        std::vector<std::string> errors;
        form.modal.error = [&](const std::string& text) { errors.push_back(text); };
        size_t offered = 0;
        form.modal.chooseCandidate = [&](const std::string&, const std::vector<CandidateView>& candidates) {
            offered = candidates.size();
            return std::optional<size_t>(0);
        };
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.state.InputFilename = raster.toStdString();
        QTest::mouseClick(form.findChild<QPushButton*>("FindLayout_Button"), Qt::LeftButton);
        QVERIFY(errors.empty());
        QVERIFY(offered > 0);
        // Whichever layout discovery ranks first, the form shows it.
        const skeldra::CandidateLayout first = skeldra::discoverLayout(raster.toStdString()).candidates.at(0).layout;
        const skeldra::BandStructure structure = skeldra::rasterLayout(first).Structure;
        QCOMPARE(form.box(Box::NumSamples)->NumericEdit->text(), QString::number(first.samplesPerLine));
        const Choice buttons[] = {Choice::NoBands, Choice::BIL, Choice::BIP, Choice::BSQ};
        QVERIFY(form.choiceButton(buttons[static_cast<int>(structure)])->isChecked());
        QCOMPARE(form.box(Box::NumBandPadBytes)->isVisibleTo(&form), structure == skeldra::BandStructure::BIL);
        QCOMPARE(form.box(Box::NumRowPadBytes)->isVisibleTo(&form), structure != skeldra::BandStructure::None);
        QCOMPARE(form.box(Box::NumSingleImageLines)->isVisibleTo(&form), structure == skeldra::BandStructure::BSQ);
    }
};

QTEST_MAIN(FindLayoutDialogTest)
#include "FindLayoutDialogTest.moc"

// SPDX-License-Identifier: BSD-3-Clause
// Find Layout's dialog: the list of candidates with their pictures, and how
// a row is chosen.
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "gui/CandidateDialog.h"
#include "window/FindLayout.h"

using skeldra::CandidateView;

namespace {

// A 2 x 1 picture: a dark and a light pixel.
std::vector<CandidateView> twoCandidates()
{
    return {{"517 samples x 300 lines", "0.92", "rows repeat every 3106 bytes", {2, 1, {40, 200}}},
            {"517 samples x 150 lines", "0.64", "rows repeat every 6212 bytes", {}}};
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

    // A double-click on a picture draws it again larger, keeping its
    // aspect, and chooses nothing.
    void doubleClickOnAPictureShowsItLarger()
    {
        std::vector<CandidateView> candidates = twoCandidates();
        int drawn = 0;
        candidates[0].larger = [&drawn] {
            ++drawn;
            return skeldra::GrayPicture{4, 2, {0, 80, 160, 240, 240, 160, 80, 0}};
        };
        CandidateDialog dialog("", candidates);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QListWidget* list = dialog.list();
        const QRect row = list->visualItemRect(list->item(0));
        const QPoint picture(row.left() + skeldra::candidatePictureSize / 2, row.center().y());
        QSize shown;
        QTimer::singleShot(0, [&shown] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->objectName() == QStringLiteral("FindLayoutPicture_Dialog") && window->isVisible()) {
                    shown = window->findChild<QLabel*>(QStringLiteral("Picture_Label"))->pixmap().size();
                    static_cast<QDialog*>(window)->reject();
                }
        });
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, picture);
        QCOMPARE(drawn, 1);
        QVERIFY(shown.width() > skeldra::candidatePictureSize);
        QCOMPARE(shown.width(), 2 * shown.height());
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.chosen(), std::optional<size_t>());
    }
};

QTEST_MAIN(FindLayoutDialogTest)
#include "FindLayoutDialogTest.moc"

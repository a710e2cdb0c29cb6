#include "gui/CandidateDialog.h"

#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include "window/FindLayout.h"

namespace {

constexpr int pictureSide = skeldra::candidatePictureSize;

// The picture centred on a square of the picture size, so that the texts of
// all rows start at the same place, with or without a picture.
QIcon iconOf(const skeldra::GrayPicture& picture)
{
    QPixmap square(pictureSide, pictureSide);
    square.fill(Qt::transparent);
    if (!picture.empty()) {
        const QImage gray(picture.Gray.data(), picture.Width, picture.Height, picture.Width,
                          QImage::Format_Grayscale8);
        // A small image is enlarged to the square, each pixel kept sharp.
        const QPixmap shown = QPixmap::fromImage(gray).scaled(pictureSide, pictureSide, Qt::KeepAspectRatio,
                                                              Qt::FastTransformation);
        QPainter(&square).drawPixmap((pictureSide - shown.width()) / 2, (pictureSide - shown.height()) / 2, shown);
    }
    // The same picture when selected: a tinted one would show other levels.
    QIcon icon(square);
    icon.addPixmap(square, QIcon::Selected);
    return icon;
}

QString rowText(size_t index, const skeldra::CandidateView& candidate)
{
    QString text = QStringLiteral("%1.  Score %2\n%3\n%4")
                       .arg(index + 1)
                       .arg(QString::fromStdString(candidate.score), QString::fromStdString(candidate.layout),
                            QString::fromStdString(candidate.evidence));
    if (candidate.picture.empty()) text += QStringLiteral("\n(no picture: the preview of this layout failed)");
    return text;
}

}  // namespace

CandidateDialog::CandidateDialog(const std::string& verdict, const std::vector<skeldra::CandidateView>& candidates,
                                 QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FindLayout_Dialog"));
    setWindowTitle(QStringLiteral("Find Layout"));
    auto* layout = new QVBoxLayout(this);
    // The scores are guesses; the heading says so before the list.
    QString heading = QStringLiteral("Layouts that may fit the file, the likeliest first. Each is a guess: "
                                     "check the one you choose with Preview.");
    if (!verdict.empty()) heading += QStringLiteral("\n") + QString::fromStdString(verdict);
    auto* label = new QLabel(heading, this);
    label->setWordWrap(true);
    layout->addWidget(label);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("Candidates_ListWidget"));
    list_->setIconSize(QSize(pictureSide, pictureSide));
    list_->setWordWrap(true);
    list_->setSpacing(2);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (size_t i = 0; i < candidates.size(); ++i)
        new QListWidgetItem(iconOf(candidates[i].picture), rowText(i, candidates[i]), list_);
    list_->setCurrentRow(0);
    layout->addWidget(list_, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    resize(720, 560);
}

std::optional<size_t> CandidateDialog::chosen() const
{
    if (result() != QDialog::Accepted || list_->currentRow() < 0) return std::nullopt;
    return static_cast<size_t>(list_->currentRow());
}

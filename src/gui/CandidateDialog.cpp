// SPDX-License-Identifier: BSD-3-Clause
#include "gui/CandidateDialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "window/FindLayout.h"

namespace {

constexpr int pictureSide = skeldra::candidatePictureSize;

// The picture with its long side `side`, its aspect kept; a small image is
// enlarged with each pixel kept sharp.
QPixmap pixmapOf(const skeldra::GrayPicture& picture, int side)
{
    const QImage gray(picture.Gray.data(), picture.Width, picture.Height, picture.Width, QImage::Format_Grayscale8);
    const bool enlarged = std::max(picture.Width, picture.Height) < side;
    return QPixmap::fromImage(gray).scaled(side, side, Qt::KeepAspectRatio,
                                           enlarged ? Qt::FastTransformation : Qt::SmoothTransformation);
}

// The picture centred on a square of the picture size, so that the texts of
// all rows start at the same place, with or without a picture.
QIcon iconOf(const skeldra::GrayPicture& picture)
{
    QPixmap square(pictureSide, pictureSide);
    square.fill(Qt::transparent);
    if (!picture.empty()) {
        const QPixmap shown = pixmapOf(picture, pictureSide);
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
    : QDialog(parent), candidates_(candidates)
{
    setObjectName(QStringLiteral("FindLayout_Dialog"));
    setWindowTitle(QStringLiteral("Find Layout"));
    auto* layout = new QVBoxLayout(this);
    // The scores are guesses; the heading says so before the list.
    QString heading = QStringLiteral("Layouts that may fit the file, the likeliest first. Each is a guess: "
                                     "check the one you choose with Preview. Double-click a picture to see it larger.");
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
    // A double-click on a picture is seen before the list takes it as a choice.
    list_->viewport()->installEventFilter(this);
    resize(860, 720);
}

bool CandidateDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (const std::optional<size_t> row = pictureAt(mouse->position().toPoint())) {
            showLarger(*row);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::optional<size_t> CandidateDialog::pictureAt(const QPoint& position) const
{
    const QListWidgetItem* item = list_->itemAt(position);
    if (item == nullptr) return std::nullopt;
    const auto row = static_cast<size_t>(list_->row(item));
    if (row >= candidates_.size() || candidates_[row].picture.empty()) return std::nullopt;
    // The picture's square is drawn at the row's start, within the frame's margin.
    const int margin = list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
    const int from = list_->visualItemRect(item).left();
    const bool inPicture = position.x() >= from && position.x() < from + list_->iconSize().width() + 2 * margin;
    return inPicture ? std::optional<size_t>(row) : std::nullopt;
}

// The candidate's preview drawn again at the larger size, in a window of its
// own over the list, no larger than the screen.
void CandidateDialog::showLarger(size_t row)
{
    const skeldra::CandidateView& candidate = candidates_[row];
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    skeldra::GrayPicture picture = candidate.larger ? candidate.larger() : skeldra::GrayPicture{};
    QGuiApplication::restoreOverrideCursor();
    if (picture.empty()) picture = candidate.picture;
    int side = skeldra::largerPictureSize;
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableSize() * 0.85;
        side = std::min({side, room.width(), room.height()});
    }
    QDialog larger(this);
    larger.setObjectName(QStringLiteral("FindLayoutPicture_Dialog"));
    larger.setWindowTitle(QStringLiteral("Find Layout: candidate %1").arg(row + 1));
    auto* layout = new QVBoxLayout(&larger);
    auto* caption = new QLabel(QString::fromStdString(candidate.layout), &larger);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    auto* shown = new QLabel(&larger);
    shown->setObjectName(QStringLiteral("Picture_Label"));
    shown->setPixmap(pixmapOf(picture, side));
    shown->setAlignment(Qt::AlignCenter);
    layout->addWidget(shown, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &larger);
    connect(buttons, &QDialogButtonBox::rejected, &larger, &QDialog::reject);
    layout->addWidget(buttons);
    larger.exec();
}

std::optional<size_t> CandidateDialog::chosen() const
{
    if (result() != QDialog::Accepted || list_->currentRow() < 0) return std::nullopt;
    return static_cast<size_t>(list_->currentRow());
}

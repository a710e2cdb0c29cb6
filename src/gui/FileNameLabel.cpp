// SPDX-License-Identifier: BSD-3-Clause
#include "gui/FileNameLabel.h"

#include <QFontMetrics>

#include "base/FileNames.h"

FileNameLabel::FileNameLabel(QWidget* parent) : QLabel(parent)
{
    // The text follows the width, never the other way round.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(1);
}

void FileNameLabel::setPath(const std::string& path)
{
    path_ = path;
    showShortened();
}

void FileNameLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showShortened();
}

void FileNameLabel::showShortened()
{
    const QFontMetrics metrics(font());
    const int available = contentsRect().width();
    const std::string shown = skeldra::shortenPath(path_, [&](const std::string& candidate) {
        return metrics.horizontalAdvance(QString::fromStdString(candidate)) <= available;
    });
    setText(QString::fromStdString(shown));
}

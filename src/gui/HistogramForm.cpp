// SPDX-License-Identifier: BSD-3-Clause
#include "gui/HistogramForm.h"

#include <QImage>
#include <QPixmap>
#include <QVBoxLayout>

#include "output/HistogramPicture.h"

THistogram_Form::THistogram_Form(QWidget* parent)
    : QWidget(parent, Qt::Window), Image1(new QLabel(this)), LogCounts_CheckBox(new QCheckBox("Log counts", this))
{
    setObjectName("Histogram_Form");
    setWindowTitle("Histogram");
    Image1->setObjectName("Image1");
    LogCounts_CheckBox->setObjectName("LogCounts_CheckBox");
    LogCounts_CheckBox->setToolTip("Draw the counts on a logarithmic axis, so that small bins show beside large ones");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image1);
    layout->addWidget(LogCounts_CheckBox);
    connect(LogCounts_CheckBox, &QCheckBox::toggled, this, [this] { draw(); });
}

void THistogram_Form::showReport(const skeldra::HistogramReport& report)
{
    report_ = report;
    draw();
    show();
    raise();
}

void THistogram_Form::draw()
{
    const skeldra::PreviewPicture picture = skeldra::renderHistogram(report_, LogCounts_CheckBox->isChecked());
    QImage image(picture.Bgr.data(), picture.Width, picture.Height, picture.Width * 3, QImage::Format_BGR888);
    Image1->setPixmap(QPixmap::fromImage(image.copy()));
}

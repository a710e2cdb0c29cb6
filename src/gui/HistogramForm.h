// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// THistogram_Form: a small window showing the picture of the last area
// statistics' histogram, redrawn when they run again; "Log counts" switches
// the count axis. The picture is the core's, as the batch tool writes it.
#include <QCheckBox>
#include <QLabel>
#include <QWidget>

#include "port/HistogramReport.h"

class THistogram_Form : public QWidget {
    Q_OBJECT
public:
    explicit THistogram_Form(QWidget* parent = nullptr);

    void showReport(const skeldra::HistogramReport& report);

    QLabel* const Image1;
    QCheckBox* const LogCounts_CheckBox;

private:
    void draw();

    skeldra::HistogramReport report_;
};

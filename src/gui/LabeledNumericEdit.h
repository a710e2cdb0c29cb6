// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// TLabeledNumericEdit: a caption, one numeric box and a units text on a row.
#include <QLabel>
#include <QWidget>

#include "gui/NumericEdit.h"

class TLabeledNumericEdit : public QWidget {
    Q_OBJECT
public:
    explicit TLabeledNumericEdit(skeldra::NumericEntry::MessageSink sink, QWidget* parent = nullptr);

    // Empty captions take no room, so a box without a caption starts with
    // its edit field.
    void setCaption(const QString& text);
    void setUnits(const QString& text);

    QLabel* const Item_Label;
    TNumericEdit* const NumericEdit;
    QLabel* const Units_Label;
};

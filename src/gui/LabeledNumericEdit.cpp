// SPDX-License-Identifier: BSD-3-Clause
#include "gui/LabeledNumericEdit.h"

#include <QHBoxLayout>
#include <utility>

TLabeledNumericEdit::TLabeledNumericEdit(skeldra::NumericEntry::MessageSink sink, QWidget* parent)
    : QWidget(parent),
      Item_Label(new QLabel(QStringLiteral("Item_Label"), this)),
      NumericEdit(new TNumericEdit(std::move(sink), this)),
      Units_Label(new QLabel(QStringLiteral("Units_Label"), this))
{
    Item_Label->setObjectName(QStringLiteral("Item_Label"));
    NumericEdit->setObjectName(QStringLiteral("NumericEdit"));
    Units_Label->setObjectName(QStringLiteral("Units_Label"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(Item_Label);
    row->addWidget(NumericEdit);
    row->addWidget(Units_Label);
    // No focus proxy: the frame would be a stop of the Tab key at the place
    // it was created, ahead of the keyboard order set for its edit field.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TLabeledNumericEdit::setCaption(const QString& text)
{
    Item_Label->setText(text);
    Item_Label->setHidden(text.isEmpty());
}

void TLabeledNumericEdit::setUnits(const QString& text)
{
    Units_Label->setText(text);
    Units_Label->setHidden(text.isEmpty());
}

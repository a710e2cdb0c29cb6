// SPDX-License-Identifier: BSD-3-Clause
#include "gui/NumericEdit.h"

#include <utility>

namespace {
constexpr int designWidth = 47;
}

TNumericEdit::TNumericEdit(skeldra::NumericEntry::MessageSink sink, QWidget* parent)
    : QLineEdit(parent),
      entry_(
          [this, sink = std::move(sink)](const std::string& text) {
              showEntryText();
              sink(text);
          },
          skeldra::TInputType::tExtended, "0")
{
    setText(QString::fromStdString(entry_.text()));
    setFixedWidth(designWidth);
    connect(this, &QLineEdit::textChanged, this, &TNumericEdit::Change);
}

int32_t TNumericEdit::IntegerValue()
{
    const int32_t value = entry_.IntegerValue();
    showEntryText();
    return value;
}

long double TNumericEdit::ExtendedValue()
{
    const long double value = entry_.ExtendedValue();
    showEntryText();
    return value;
}

void TNumericEdit::Change(const QString& text) { entry_.setText(text.toStdString()); }

void TNumericEdit::showEntryText()
{
    const QString shown = QString::fromStdString(entry_.text());
    if (shown != text()) setText(shown);
}

// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// TNumericEdit: a single-line edit control over a NumericEntry. The entry
// holds the box logic; this class keeps its text in step with the widget.
#include <QLineEdit>

#include "ui/NumericEntry.h"

class TNumericEdit : public QLineEdit {
    Q_OBJECT
public:
    // Messages of the box (parse, range, substitution) go to `sink`.
    explicit TNumericEdit(skeldra::NumericEntry::MessageSink sink, QWidget* parent = nullptr);

    skeldra::NumericEntry& entry() { return entry_; }

    int32_t IntegerValue();
    long double ExtendedValue();

    skeldra::TInputType InputType() const { return entry_.InputType(); }
    void setInputType(skeldra::TInputType type) { entry_.setInputType(type); }
    void setInputMin(const std::string& text) { entry_.setInputMin(text); }
    void setInputMax(const std::string& text) { entry_.setInputMax(text); }

private:
    // Every change of the text, by the user or the program, clears the
    // entry's validation state.
    void Change(const QString& text);
    // Validation may trim the entry's text; the widget must show it before
    // any message about it appears.
    void showEntryText();

    skeldra::NumericEntry entry_;
};

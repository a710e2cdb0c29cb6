// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// Shows long tooltips wrapped at a readable width: a plain-text tooltip is
// one line, and the window's longest hints would run past the screen. The
// controls keep their hint texts as they are; only the display changes.
#include <QObject>

class WrappedToolTips : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The text shown for a hint: its lines broken at blanks so that none is
    // much longer than a line of a book.
    static QString shownText(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// SPDX-License-Identifier: BSD-3-Clause
#include "gui/WrappedToolTips.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace {
// About as many characters as a line of a book.
constexpr qsizetype lineLength = 64;
}  // namespace

QString WrappedToolTips::shownText(const QString& hint)
{
    // Greedy: the last blank before a line grows too long becomes a line
    // break; every other character, double blanks included, stays.
    QString shown = hint;
    qsizetype lineStart = 0;
    qsizetype lastBlank = -1;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown[i] == QLatin1Char(' ')) lastBlank = i;
        if (i - lineStart >= lineLength && lastBlank > lineStart) {
            shown[lastBlank] = QLatin1Char('\n');
            lineStart = lastBlank + 1;
        }
    }
    return shown;
}

bool WrappedToolTips::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // A widget without a hint of its own lets the event go on to its parent.
    if (!widget || widget->toolTip().size() <= lineLength) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), shownText(widget->toolTip()), widget, QRect(), widget->toolTipDuration());
    return true;
}

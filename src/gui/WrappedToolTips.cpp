#include "gui/WrappedToolTips.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace {
// Hints up to this many characters fit on one line of any screen.
constexpr qsizetype longHint = 70;
}  // namespace

QString WrappedToolTips::shownText(const QString& hint)
{
    if (hint.size() <= longHint) return hint;
    // Rich text is what the tooltip wraps, at about 80 average characters;
    // the hints' double blanks stay.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + hint.toHtmlEscaped() + QStringLiteral("</p>");
}

bool WrappedToolTips::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    // A widget without a hint of its own lets the event go on to its parent.
    if (!widget || widget->toolTip().size() <= longHint) return false;
    const auto* help = static_cast<QHelpEvent*>(event);
    QToolTip::showText(help->globalPos(), shownText(widget->toolTip()), widget, QRect(), widget->toolTipDuration());
    return true;
}

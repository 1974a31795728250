#include "widget/CaptionFit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace vendorcenter {

namespace {

constexpr double kSmallestPoints = 5.0;
constexpr double kPointStep = 0.25;

} // namespace

int captionWidthNeeded(const QWidget *widget)
{
    // Labels, check boxes and option boxes ask for the room of their caption.
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text().isEmpty() ? 0 : label->sizeHint().width();
    if (qobject_cast<const QRadioButton *>(widget) || qobject_cast<const QCheckBox *>(widget))
        return static_cast<const QAbstractButton *>(widget)->text().isEmpty() ? 0 : widget->sizeHint().width();
    // Push buttons ask for a minimum width beyond their text; only the text counts.
    if (const auto *button = qobject_cast<const QPushButton *>(widget))
        return button->fontMetrics().horizontalAdvance(button->text());
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return frame->title().isEmpty() ? 0 : frame->fontMetrics().horizontalAdvance(frame->title());
    return 0;
}

int captionWidthGiven(const QWidget *widget)
{
    if (qobject_cast<const QPushButton *>(widget))
        return widget->width() - 2 * widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
    return widget->width();
}

void fitCaptions(QWidget *control)
{
    for (QWidget *widget : control->findChildren<QWidget *>()) {
        // A frame's font is its children's too; the frames' titles have room to spare.
        if (qobject_cast<QGroupBox *>(widget) || captionWidthNeeded(widget) <= captionWidthGiven(widget))
            continue;
        QFont font = widget->font();
        while (captionWidthNeeded(widget) > captionWidthGiven(widget)
            && font.pointSizeF() - kPointStep >= kSmallestPoints) {
            font.setPointSizeF(font.pointSizeF() - kPointStep);
            widget->setFont(font);
        }
    }
}

} // namespace vendorcenter

#include "widget/ControlLayout.h"

#include "widget/CaptionFit.h"
#include "widget/ControlSurface.h"

#include <QWidget>

#include <algorithm>

namespace vendorcenter {

namespace {

// The left half of `extra` (the odd pixel goes to what lies right of or below it), or all of it.
int moveBy(int extra, EdgeMove move)
{
    return move == EdgeMove::Half ? extra / 2 : move == EdgeMove::All ? extra : 0;
}

} // namespace

ControlLayout::ControlLayout(QWidget *control)
    : QLayout(control), dpi_(control->logicalDpiX()),
      designSize_(twipsToPixels(kDesignWidthTwips, dpi_), twipsToPixels(kDesignHeightTwips, dpi_))
{
    setContentsMargins(0, 0, 0, 0);
    // The host sizes the control; its minimum is a hint, never forced on a window.
    setSizeConstraint(QLayout::SetNoConstraint);
}

ControlLayout::~ControlLayout()
{
    for (const Placed &placed : placed_)
        delete placed.item;
}

void ControlLayout::place(QWidget *widget, const QRect &twips, Growth growth, Widened widened)
{
    const int x = twipsToPixels(twips.left(), dpi_);
    const int y = twipsToPixels(twips.top(), dpi_);
    // Both edges rounded, so that widgets that meet in twips meet in pixels.
    const QRect designed(x, y, twipsToPixels(twips.left() + twips.width(), dpi_) - x,
        twipsToPixels(twips.top() + twips.height(), dpi_) - y);
    QPoint onControl = designed.topLeft();
    for (const Placed &parent : placed_) {
        if (parent.item->widget() == widget->parentWidget())
            onControl += parent.onControl;
    }
    widget->setGeometry(designed);
    // A widget item, not addWidget(): the widgets keep their parents inside the frames.
    placed_.push_back({new QWidgetItem(widget), designed, onControl, growth, std::move(widened)});
}

QSize ControlLayout::sizeHint() const
{
    return designSize_;
}

QSize ControlLayout::minimumSize() const
{
    QSize smallest(0, 0);
    for (const Placed &placed : placed_) {
        const QWidget *widget = placed.item->widget();
        if (!widget || captionWidthNeeded(widget) == 0)
            continue;
        const QRect onControl(placed.onControl, placed.designed.size());
        smallest = smallest.expandedTo({onControl.right() + 1, onControl.bottom() + 1});
    }
    return smallest;
}

Qt::Orientations ControlLayout::expandingDirections() const
{
    // As the control's own size policy says, no more.
    return {};
}

void ControlLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const int extraWidth = std::max(0, rect.width() - designSize_.width());
    const int extraHeight = std::max(0, rect.height() - designSize_.height());
    for (const Placed &placed : placed_) {
        const Growth &g = placed.growth;
        const QRect r = placed.designed.adjusted(moveBy(extraWidth, g.left), moveBy(extraHeight, g.top),
            moveBy(extraWidth, g.right), moveBy(extraHeight, g.bottom));
        if (QWidget *widget = placed.item->widget())
            widget->setGeometry(r);
        else
            placed.item->setGeometry(r);
        if (placed.widened)
            placed.widened(r.width() - placed.designed.width());
    }
}

void ControlLayout::addItem(QLayoutItem *item)
{
    placed_.push_back({item, item->geometry(), item->geometry().topLeft(), {}, {}});
}

int ControlLayout::count() const
{
    return static_cast<int>(placed_.size());
}

QLayoutItem *ControlLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? placed_[static_cast<std::size_t>(index)].item : nullptr;
}

QLayoutItem *ControlLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem *item = placed_[static_cast<std::size_t>(index)].item;
    placed_.erase(placed_.begin() + index);
    return item;
}

} // namespace vendorcenter

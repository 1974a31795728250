#pragma once

#include <QLayout>
#include <QRect>

#include <functional>
#include <vector>

namespace vendorcenter {

// How far an edge of a widget moves when the control is bigger than its
// design size: not at all, by half of the extra width (or height), or by all of it.
enum class EdgeMove : unsigned char { None, Half, All };

struct Growth
{
    EdgeMove left = EdgeMove::None;
    EdgeMove top = EdgeMove::None;
    EdgeMove right = EdgeMove::None;
    EdgeMove bottom = EdgeMove::None;
};

// The control's layout: every widget at its design rectangle in twips (in
// its parent's coordinates), converted once at the control's logical DPI.
// At the design size, or below it, every widget stands there; the room of a
// bigger control goes to the widgets by their Growth. sizeHint() is the
// design size; minimumSize() the smallest size that shows every widget with
// a caption whole. It imposes no size on the control: the host decides.
class ControlLayout : public QLayout
{
    Q_OBJECT

public:
    // Told how much wider than designed the widget became.
    using Widened = std::function<void(int extraWidth)>;

    explicit ControlLayout(QWidget *control);
    ~ControlLayout() override;

    // Puts `widget` at `twips` now, and from then on as the control's size says.
    void place(QWidget *widget, const QRect &twips, Growth growth = {}, Widened widened = {});

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override;
    void setGeometry(const QRect &rect) override;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;

private:
    struct Placed
    {
        QLayoutItem *item;
        QRect designed; // pixels, in the parent's coordinates
        QPoint onControl; // the designed top left, in the control's coordinates
        Growth growth;
        Widened widened;
    };
    std::vector<Placed> placed_;
    double dpi_;
    QSize designSize_;
};

} // namespace vendorcenter

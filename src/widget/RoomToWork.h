#pragma once

#include <QObject>
#include <QRect>

#include <vector>

class QWidget;

namespace vendorcenter {

struct ControlSurface;

// A control given more room than its design size puts it to use: the two
// lists share the extra width evenly and take all the extra height, their
// name columns widen with them, the move buttons stay between them, and the
// panels below move down (and right, with the list above them) at their own
// size. At the design size, or below it, every widget stands where the
// layout puts it.
class RoomToWork : public QObject
{
    Q_OBJECT

public:
    RoomToWork(ControlSurface &ui, QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layOut(QSize size);

    struct Placed
    {
        QWidget *widget;
        QRect designed;
        // Shares of the extra room: (0, 1, 2) for none, half or all, of width and height.
        int moveRight, moveDown, growWide, growTall;
    };
    ControlSurface &ui_;
    QWidget *control_;
    std::vector<Placed> placed_;
    QRect rightListDesigned_;
    int designedNameWidth_[2] = {0, 0};
};

} // namespace vendorcenter

#include "widget/RoomToWork.h"

#include "core/CenterRow.h"
#include "widget/CenterListView.h"
#include "widget/ControlSurface.h"
#include "widget/LoadProgressBar.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>

#include <algorithm>

namespace vendorcenter {

namespace {

constexpr int kNone = 0;
constexpr int kHalf = 1;
constexpr int kAll = 2;

// `share` of `extra`: none, the left half (the odd pixel goes right), or all of it.
int shareOf(int extra, int share)
{
    return share == kHalf ? extra / 2 : share == kAll ? extra : 0;
}

} // namespace

RoomToWork::RoomToWork(ControlSurface &ui, QWidget *control) : ui_(ui), control_(control)
{
    const auto place = [this](QWidget *widget, int moveRight, int moveDown, int growWide, int growTall) {
        placed_.push_back({widget, widget->geometry(), moveRight, moveDown, growWide, growTall});
    };
    place(ui_.fraMain, kNone, kNone, kAll, kAll);
    place(ui_.lstCenters, kNone, kNone, kHalf, kAll);
    place(ui_.lblSelVendors, kHalf, kNone, kNone, kNone);
    for (QWidget *button : {ui_.cmdAdd, ui_.cmdAddAll, ui_.cmdRemoveAll, ui_.cmdDelete})
        place(button, kHalf, kHalf, kNone, kNone);
    place(ui_.fraFind, kNone, kAll, kNone, kNone);
    place(ui_.frmEntry, kHalf, kAll, kNone, kNone);
    place(ui_.prbLoad, kHalf, kAll, kNone, kNone);
    place(ui_.cmdCommit, kAll, kAll, kNone, kNone);
    rightListDesigned_ = ui_.lstSelectedCenters->geometry();
    designedNameWidth_[0] = ui_.lstCenters->columnWidth(ColName);
    designedNameWidth_[1] = ui_.lstSelectedCenters->columnWidth(ColName);
    control->installEventFilter(this);
}

bool RoomToWork::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == control_ && event->type() == QEvent::Resize)
        layOut(static_cast<QResizeEvent *>(event)->size());
    return QObject::eventFilter(watched, event);
}

void RoomToWork::layOut(QSize size)
{
    const QSize designed = control_->sizeHint();
    const int extraWidth = std::max(0, size.width() - designed.width());
    const int extraHeight = std::max(0, size.height() - designed.height());
    for (const Placed &placed : placed_) {
        placed.widget->setGeometry(
            placed.designed.adjusted(shareOf(extraWidth, placed.moveRight), shareOf(extraHeight, placed.moveDown),
                shareOf(extraWidth, placed.moveRight) + shareOf(extraWidth, placed.growWide),
                shareOf(extraHeight, placed.moveDown) + shareOf(extraHeight, placed.growTall)));
    }
    // The right list starts where the left one's half ends and takes the rest.
    const int leftShare = extraWidth / 2;
    ui_.lstSelectedCenters->setGeometry(rightListDesigned_.adjusted(leftShare, 0, extraWidth, extraHeight));
    ui_.lstCenters->setColumnWidth(ColName, designedNameWidth_[0] + leftShare);
    ui_.lstSelectedCenters->setColumnWidth(ColName, designedNameWidth_[1] + extraWidth - leftShare);
}

} // namespace vendorcenter

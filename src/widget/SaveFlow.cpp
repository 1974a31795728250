#include "widget/SaveFlow.h"

#include "widget/CenterListView.h"
#include "core/ControlState.h"
#include "widget/ControlSurface.h"
#include "core/Failure.h"
#include "widget/LoadProgressBar.h"
#include "net/InternetTransfer.h"
#include "core/Statements.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <new>

namespace vendorcenter {

namespace {

statements::CenterRows rowsOf(const CenterListView &list)
{
    return {list.count(), [&list](int position) -> const CenterRow & { return list.row(position); }};
}

} // namespace

SaveFlow::SaveFlow(ControlSurface &ui, ControlState &state, InternetTransfer &inet, QWidget *control,
                   std::function<void()> reload)
    : ui_(ui), state_(state), inet_(inet), control_(control), reload_(std::move(reload))
{
    connect(ui_.cmdCommit, &QPushButton::clicked, this, [this] { commit(); });
}

bool SaveFlow::postPendingChanges()
{
    const QByteArray body =
        statements::saveBody(state_.mlVendorID, rowsOf(*ui_.lstSelectedCenters), rowsOf(*ui_.lstCenters));
    if (body.isEmpty())
        return true;

    inet_.Execute(state_.mtServerName + QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST"), body,
                  QStringLiteral("Content-Type: application/x-www-form-urlencoded"));
    // The reply is shown by the state-change handler, which runs in here.
    while (inet_.StillExecuting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    const int status = inet_.httpStatus();
    return inet_.outcome() == InternetTransfer::ResponseCompleted && status >= 200 && status < 300;
}

bool SaveFlow::save()
{
    control_->setCursor(Qt::WaitCursor);
    try {
        const bool accepted = postPendingChanges();
        control_->setCursor(Qt::ArrowCursor);
        return accepted;
    } catch (const Failure &) {
    } catch (const std::bad_alloc &) {
    }
    control_->setCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Information"), QStringLiteral("Error Occoured"),
                    QMessageBox::Ok, control_);
    box.exec();
    return false;
}

void SaveFlow::commit()
{
    ui_.cmdAdd->setEnabled(false);
    ui_.cmdAddAll->setEnabled(false);
    ui_.cmdDelete->setEnabled(false);
    ui_.cmdRemoveAll->setEnabled(false);
    ui_.cmdCommit->setEnabled(false);

    const bool saved = save();
    ui_.prbLoad->setValue(0);
    if (!saved) {
        ui_.cmdCommit->setEnabled(true);
        return;
    }
    if (reload_)
        reload_();
}

} // namespace vendorcenter

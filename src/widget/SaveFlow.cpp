#include "widget/SaveFlow.h"

#include <vendorcenter/Vendor_Center.h>

#include "core/ControlState.h"
#include "core/Failure.h"
#include "core/Statements.h"
#include "net/InternetTransfer.h"
#include "widget/CenterListView.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <new>

namespace vendorcenter {

namespace {

statements::CenterRows rowsOf(const CenterListView &list)
{
    return {list.count(), [&list](int position) -> const CenterRow & { return list.row(position); }};
}

} // namespace

SaveFlow::SaveFlow(const ControlState &state, InternetTransfer &transfer, CenterListView *nonSelected,
    CenterListView *selected, QWidget *control)
    : state_(state), transfer_(transfer), nonSelected_(nonSelected), selected_(selected), control_(control)
{ }

bool SaveFlow::postPendingChanges()
{
    const QByteArray body = statements::saveBody(state_.vendorId, rowsOf(*selected_), rowsOf(*nonSelected_));
    if (body.isEmpty())
        return true;

    transfer_.Execute(state_.serverName + QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST"), body,
        QStringLiteral("Content-Type: application/x-www-form-urlencoded"));
    // The reply is shown by the state-change handler, which runs in here.
    while (transfer_.StillExecuting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    const int status = transfer_.httpStatus();
    return transfer_.outcome() == InternetTransfer::ResponseCompleted && status >= 200 && status < 300;
}

bool SaveFlow::save()
{
    control_->setCursor(Qt::WaitCursor);
    try {
        const bool accepted = postPendingChanges();
        control_->setCursor(Qt::ArrowCursor);
        return accepted;
    } catch (const Failure &) {
    } catch (const std::bad_alloc &) { }
    control_->setCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::Critical, Vendor_Center::tr("Information"), Vendor_Center::tr("Error Occoured"),
        QMessageBox::Ok, control_);
    box.exec();
    return false;
}

} // namespace vendorcenter

#include "widget/SaveFlow.h"

#include <vendorcenter/Vendor_Center.h>

#include "core/ControlState.h"
#include "core/Failure.h"
#include "core/Statements.h"
#include "net/InternetTransfer.h"
#include "widget/Announcer.h"
#include "widget/CenterListView.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

#include <new>

namespace vendorcenter {

namespace {

constexpr int kChunkSize = 1024;
constexpr int kPreconditionFailed = 412;

statements::CenterRows rowsOf(const CenterListView &list)
{
    return list.centerModel()->rows();
}

enum class ConflictChoice { Reload, SaveAnyway, Cancel };

ConflictChoice askAboutConflict(QWidget *control)
{
    QMessageBox box(QMessageBox::Warning, Vendor_Center::tr("Vendor Center Cross Reference"), Announcer::conflictText(),
        QMessageBox::NoButton, control);
    box.setObjectName(QStringLiteral("conflictBox"));
    box.setInformativeText(Vendor_Center::tr("Reload the lists and apply your changes again onto what is saved now, "
                                             "or save yours over the other changes."));
    QPushButton *reload = box.addButton(Vendor_Center::tr("Reload and keep my changes"), QMessageBox::AcceptRole);
    QPushButton *saveAnyway = box.addButton(Vendor_Center::tr("Save anyway"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(reload);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == reload)
        return ConflictChoice::Reload;
    if (box.clickedButton() == saveAnyway)
        return ConflictChoice::SaveAnyway;
    return ConflictChoice::Cancel;
}

} // namespace

bool hasMoreThanBlanks(const QString &text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return true;
    }
    return false;
}

SaveFlow::SaveFlow(const ControlState &state, InternetTransfer &transfer, CenterListView *nonSelected,
    CenterListView *selected, Announcer &announcer, QWidget *control)
    : state_(state), transfer_(transfer), nonSelected_(nonSelected), selected_(selected), announcer_(announcer),
      control_(control)
{ }

QString SaveFlow::readWholeReply()
{
    QString reply;
    QString piece = transfer_.GetChunk(kChunkSize, 0);
    QCoreApplication::processEvents();
    do {
        reply += piece;
        piece = transfer_.GetChunk(kChunkSize, 0);
        QCoreApplication::processEvents();
    } while (!piece.isEmpty());
    return reply;
}

void SaveFlow::showReply(qint16 state)
{
    if (state == InternetTransfer::Error) {
        QMessageBox box(QMessageBox::NoIcon, QString(), Vendor_Center::tr("Error During saving to Database"),
            QMessageBox::Ok, control_);
        box.exec();
    } else if (state == InternetTransfer::ResponseCompleted) {
        const QString reply = readWholeReply();
        if (!hasMoreThanBlanks(reply))
            return;
        QMessageBox box(QMessageBox::Information, Vendor_Center::tr("Vendor Center Cross Reference"), reply,
            QMessageBox::Ok, control_);
        // The server's words, shown as they came: never read as markup.
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
}

SaveFlow::Answer SaveFlow::post(const QByteArray &body, bool onlyOntoLoadedVersion)
{
    QString headers = QStringLiteral("Content-Type: application/x-www-form-urlencoded");
    if (onlyOntoLoadedVersion)
        headers += QStringLiteral("\r\nIf-Match: ") + QString::fromLatin1(state_.listVersion);
    transfer_.Execute(state_.serverName + QStringLiteral("/VendorCenter.asp"), QStringLiteral("POST"), body, headers);
    while (transfer_.StillExecuting())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

    const int status = transfer_.httpStatus();
    const bool completed = transfer_.outcome() == InternetTransfer::ResponseCompleted;
    if (completed && onlyOntoLoadedVersion && status == kPreconditionFailed)
        return Answer::Conflict;
    showReply(transfer_.outcome());
    return completed && status >= 200 && status < 300 ? Answer::Accepted : Answer::Failed;
}

SaveFlow::Outcome SaveFlow::save()
{
    control_->setCursor(Qt::WaitCursor);
    try {
        const QByteArray body = statements::saveBody(state_.vendorId, rowsOf(*selected_), rowsOf(*nonSelected_));
        Answer answer = body.isEmpty() ? Answer::Accepted : post(body, !state_.listVersion.isEmpty());
        if (answer == Answer::Conflict) {
            announcer_.conflictMet();
            switch (askAboutConflict(control_)) {
            case ConflictChoice::Reload: // busy on through the reload
                return Outcome::ReloadKeepingEdits;
            case ConflictChoice::SaveAnyway:
                answer = post(body, false);
                break;
            case ConflictChoice::Cancel:
                answer = Answer::Failed;
                break;
            }
        }
        control_->setCursor(Qt::ArrowCursor);
        return answer == Answer::Accepted ? Outcome::Accepted : Outcome::Failed;
    } catch (const Failure &) {
    } catch (const std::bad_alloc &) { }
    control_->setCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::Critical, Vendor_Center::tr("Information"), Vendor_Center::tr("Error Occoured"),
        QMessageBox::Ok, control_);
    box.exec();
    return Outcome::Failed;
}

} // namespace vendorcenter

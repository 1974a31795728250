#pragma once

#include <vendorcenter/vendorcenter_export.h>

#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

class QUndoStack;

namespace vendorcenter {

class VendorCenterPrivate;

// The vendor/distribution-center editor. Place it on a form, then call
// LetDataFromDatabase with the vendor id and the server base (for example
// "http://127.0.0.1:8080"). The user moves centers between the two lists,
// edits handling fees, searches, and commits; the changes travel to the
// server page as one form post.
//
// Its widgets carry object names ("lstCenters", "cmdCommit", ...) by which a
// host may find them. One dynamic property is read: "transferTimeoutMs", the
// time-out of the load queries and of the post in milliseconds (60 s unless
// set), meant for tests of slow servers.
class VENDORCENTER_EXPORT Vendor_Center : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool hasPendingChanges READ hasPendingChanges NOTIFY pendingChangesChanged)

public:
    explicit Vendor_Center(QWidget *parent = nullptr);
    ~Vendor_Center() override;

    // Loads both lists for the vendor. An empty server base keeps the one of
    // the previous call. Always returns an empty QVariant; a failed load is
    // written to the event log (see EventLog.h), never thrown or shown.
    QVariant LetDataFromDatabase(const qint32 &vendorId, const QString &serverBase = QString());

    // Posts the pending changes of both lists to the server page. Failures
    // are reported to the user in a message box.
    //
    // While the post is in flight the control takes no edits (keys, clicks,
    // drops, undo and redo); the rest of the application stays live. When the
    // last load got a version of the list from the server page and someone
    // else has saved changes to the vendor since, nothing is applied and the
    // user chooses: load the lists again and keep the edits on them, save
    // over the other changes, or cancel.
    void SaveToDatabase();

    // Form-encodes a text as one field value of an
    // application/x-www-form-urlencoded post.
    QString urlEncode(const QString &text) const;

    // Every edit since the last load is one step here (moves, fee saves); a
    // load and a successful commit empty it. Hosts can put
    // createUndoAction()/createRedoAction() in their Edit menu.
    QUndoStack *undoStack() const;

    // True while a commit would send something: a row to add, a fee change
    // or a row to remove.
    bool hasPendingChanges() const;

    QSize sizeHint() const override;

public slots:
    // What "Commit to Database" does: the save, then the lists loaded again.
    // Returns whether the server took the changes (true as well when there
    // was nothing to send). For hosts that save before closing.
    bool commit();

signals:
    // Emitted whenever hasPendingChanges() may have changed: after every
    // edit, undo and redo, load and commit.
    void pendingChangesChanged();

protected:
    bool event(QEvent *event) override;

private:
    std::unique_ptr<VendorCenterPrivate> d;
};

} // namespace vendorcenter

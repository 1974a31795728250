#pragma once

#include "core/ControlState.h"
#include "widget/ControlSurface.h"

#include <vendorcenter/Vendor_Center.h>

#include <memory>

namespace vendorcenter {

class XmlFetcher;
class InternetTransfer;
class TransferCompletion;
class SaveFlow;
class FeePanel;
class CenterMoves;
class ListEvents;
class FindPanel;
class ChangeJournal;
class ListGestures;
class RoomToWork;

class VendorCenterPrivate
{
public:
    explicit VendorCenterPrivate(Vendor_Center *control);
    ~VendorCenterPrivate();

    void startUp();
    void letDataFromDatabase(qint32 vendorId, const QString &serverName);

    Vendor_Center *q;
    ControlSurface ui;
    ControlState state;
    std::unique_ptr<XmlFetcher> fetcher;
    InternetTransfer *Inet1 = nullptr; // owned by the control (a child QObject named "Inet1")
    std::unique_ptr<TransferCompletion> completion;
    std::unique_ptr<FeePanel> fees;
    std::unique_ptr<CenterMoves> moves;
    std::unique_ptr<ListEvents> listEvents;
    std::unique_ptr<FindPanel> find;
    std::unique_ptr<SaveFlow> save;
    std::unique_ptr<ChangeJournal> journal;
    std::unique_ptr<ListGestures> gestures;
    std::unique_ptr<RoomToWork> room;
};

// For tests and the widgets' own handlers: the control's inner parts.
VendorCenterPrivate &privateOf(Vendor_Center &control);
inline const ControlState &controlState(Vendor_Center &control) { return privateOf(control).state; }
inline ControlSurface &surfaceOf(Vendor_Center &control) { return privateOf(control).ui; }

// The widths, in the list's own units, of the two visible columns: the id
// gets a fifth and the name four fifths. Throws Failure 6 when the width does
// not fit the 16-bit arithmetic (wider than 8191 units).
struct VisibleColumnWidths
{
    double id;
    double name;
};
VisibleColumnWidths visibleColumnWidths(double listWidth);

// "Version Number: 2.0.9"
QString versionCaption();

} // namespace vendorcenter

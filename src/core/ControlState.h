#pragma once

#include <QByteArray>
#include <QString>

namespace vendorcenter {

// What a control instance remembers between calls. Everything starts at zero
// and empty; only the load sequence and its queries write it.
struct ControlState
{
    qint32 vendorId = 0; // the vendor being edited
    QString serverName; // the server base, "http://host:port", no trailing slash
    qint16 dutyDefault = 0; // the vendor's duty default (1 switches it on)
    qint16 nonSelectedCount = 0;
    qint16 selectedCount = 0;
    qint16 loadProgress = 0; // running row counter shown by the progress bar during a load
    // The version of the selected list the server page named when it was
    // loaded (its ETag); a save asks the page to apply only onto that version.
    // Empty when the page names none.
    QByteArray listVersion;
};

} // namespace vendorcenter

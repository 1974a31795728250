#pragma once

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
};

} // namespace vendorcenter

#pragma once

#include <vendorcenter/vendorcenter_export.h>

#include <QString>

#include <functional>

namespace vendorcenter {

// Receives one entry per failed load. The default sink writes to the system log.
using EventLogSink = std::function<void(const QString &entry)>;

// Replaces the sink for every control of the process; an empty sink restores the default.
VENDORCENTER_EXPORT void setEventLogSink(EventLogSink sink);

// Writes one entry through the current sink.
VENDORCENTER_EXPORT void writeEventLog(const QString &entry);

} // namespace vendorcenter

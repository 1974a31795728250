#include <vendorcenter/EventLog.h>

#include <QMutex>

#include <syslog.h>

namespace vendorcenter {

namespace {

QMutex sinkMutex;

EventLogSink &currentSink()
{
    static EventLogSink sink;
    return sink;
}

void writeToSystemLog(const QString &entry)
{
    const QByteArray text = entry.toUtf8();
    openlog("KelvoVendor_Center", LOG_PID, LOG_USER);
    syslog(LOG_ERR, "%s", text.constData());
    closelog();
}

} // namespace

void setEventLogSink(EventLogSink sink)
{
    QMutexLocker lock(&sinkMutex);
    currentSink() = std::move(sink);
}

void writeEventLog(const QString &entry)
{
    EventLogSink sink;
    {
        QMutexLocker lock(&sinkMutex);
        sink = currentSink();
    }
    if (sink)
        sink(entry);
    else
        writeToSystemLog(entry);
}

} // namespace vendorcenter

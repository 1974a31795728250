// A host form with the control on it. Loading from a server that does not
// answer must leave the host running and the failure in the event log.
#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList entries;
    vendorcenter::setEventLogSink([&entries](const QString &entry) { entries << entry; });

    QMainWindow form;
    auto *centers = new vendorcenter::Vendor_Center(&form);
    form.setCentralWidget(centers);
    form.show();
    const QVariant result = centers->LetDataFromDatabase(12, QStringLiteral("http://127.0.0.1:1"));

    const bool ok = !result.isValid() && entries.size() == 1
        && entries.first().startsWith(QStringLiteral("KelvoVendor_Center LetDataFromDatabase : "));
    qInfo("%s: %s", ok ? "consumer ok" : "consumer FAILED", qPrintable(entries.join(QLatin1Char('|'))));
    return ok ? 0 : 1;
}

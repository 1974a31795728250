// The demo host: a form with the control on it, loaded with a demo vendor.
// Without --server it starts the server page on a free loopback port with a
// demo database in the user's data directory.

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QString serverBinary()
{
    const QString besideDemo =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../server/vendorcenter-server"));
    if (QFileInfo::exists(besideDemo))
        return besideDemo;
#ifdef VENDORCENTER_SERVER_BINARY
    return QStringLiteral(VENDORCENTER_SERVER_BINARY);
#else
    return QStringLiteral("vendorcenter-server");
#endif
}

// Starts the server page and waits for its "listening on URL" line.
QString startServerPage(QProcess &server, const QString &databasePath)
{
    server.setProgram(serverBinary());
    server.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--database"),
                         databasePath});
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start();
    if (!server.waitForStarted(10'000))
        return {};
    while (server.waitForReadyRead(20'000)) {
        while (server.canReadLine()) {
            const QString line = QString::fromUtf8(server.readLine()).trimmed();
            const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^listening on (\\S+)$")).match(line);
            if (match.hasMatch())
                return match.captured(1);
        }
    }
    return {};
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VendorCenter Demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A host form with the Vendor_Center control on it."));
    parser.addHelpOption();
    const QCommandLineOption serverOption(QStringLiteral("server"), QStringLiteral("Use this server base."),
                                          QStringLiteral("URL"));
    const QCommandLineOption vendorOption(QStringLiteral("vendor"), QStringLiteral("Vendor to load (default 12)."),
                                          QStringLiteral("ID"), QStringLiteral("12"));
    const QCommandLineOption databaseOption(QStringLiteral("database"),
                                            QStringLiteral("Demo database of the server page the demo starts."),
                                            QStringLiteral("PATH"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
                                              QStringLiteral("Render the loaded window to a PNG file and exit."),
                                              QStringLiteral("FILE"));
    parser.addOptions({serverOption, vendorOption, databaseOption, screenshotOption});
    parser.process(app);

    // A failed load is worth seeing while trying the demo.
    vendorcenter::setEventLogSink([](const QString &entry) { std::fprintf(stderr, "%s\n", qPrintable(entry)); });

    QProcess server;
    QString serverBase = parser.value(serverOption);
    if (serverBase.isEmpty()) {
        QString database = parser.value(databaseOption);
        if (database.isEmpty()) {
            const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
            QDir().mkpath(dataDir);
            database = QDir(dataDir).filePath(QStringLiteral("vendorcenter-demo.sqlite"));
        }
        serverBase = startServerPage(server, database);
        if (serverBase.isEmpty()) {
            std::fprintf(stderr, "Could not start the server page (%s).\n", qPrintable(serverBinary()));
            return 1;
        }
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("VendorCenter Demo"));
    auto *form = new QWidget(&window);
    auto *column = new QVBoxLayout(form);
    auto *bar = new QHBoxLayout;
    auto *vendor = new QSpinBox(form);
    vendor->setRange(1, 999'999);
    vendor->setValue(parser.value(vendorOption).toInt());
    auto *load = new QPushButton(QStringLiteral("Load vendor"), form);
    bar->addWidget(new QLabel(QStringLiteral("Vendor ID:"), form));
    bar->addWidget(vendor);
    bar->addWidget(load);
    bar->addStretch();
    column->addLayout(bar);
    auto *control = new vendorcenter::Vendor_Center(form);
    control->setFixedSize(control->sizeHint());
    column->addWidget(control);
    window.setCentralWidget(form);
    window.statusBar()->showMessage(QStringLiteral("Server page: %1").arg(serverBase));

    QObject::connect(load, &QPushButton::clicked, control,
                     [control, vendor] { control->LetDataFromDatabase(vendor->value()); });
    window.show();
    control->LetDataFromDatabase(vendor->value(), serverBase);

    if (parser.isSet(screenshotOption)) {
        const QString file = parser.value(screenshotOption);
        QTimer::singleShot(200, &window, [&window, file] {
            const bool saved = window.grab().save(file, "PNG");
            std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
            QApplication::exit(saved ? 0 : 1);
        });
    }
    const int status = app.exec();
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        server.waitForFinished(5'000);
    }
    return status;
}

// The demo host: a form with the control on it, loaded with a demo vendor.
// Without --server it starts the server page on a free loopback port with a
// demo database in the user's data directory.

#include <vendorcenter/EventLog.h>
#include <vendorcenter/Vendor_Center.h>

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>
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
    server.setArguments(
        {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--database"), databasePath});
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start();
    if (!server.waitForStarted(10'000))
        return {};
    while (server.waitForReadyRead(20'000)) {
        while (server.canReadLine()) {
            const QString line = QString::fromUtf8(server.readLine()).trimmed();
            const QRegularExpressionMatch match =
                QRegularExpression(QStringLiteral("^listening on (\\S+)$")).match(line);
            if (match.hasMatch())
                return match.captured(1);
        }
    }
    return {};
}

// Asks before the control's pending changes would be thrown away; false
// when the user wants to stay with them.
bool pendingChangesMayGo(vendorcenter::Vendor_Center *control, QWidget *window, qint32 vendorId)
{
    if (!control->hasPendingChanges())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(window, window->windowTitle(),
        QStringLiteral("Save the changes to vendor %1?").arg(vendorId),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer != QMessageBox::Save)
        return answer == QMessageBox::Discard;
    // What "Commit to Database" does: false when the server page did not take
    // the changes (the user has seen why).
    return control->commit();
}

// Keeps the window open while the user wants to stay with pending changes.
class CloseGuard : public QObject
{
public:
    CloseGuard(vendorcenter::Vendor_Center *control, const qint32 *vendorId, QObject *parent)
        : QObject(parent), control_(control), vendorId_(vendorId)
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close
            && !pendingChangesMayGo(control_, static_cast<QWidget *>(watched), *vendorId_)) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    vendorcenter::Vendor_Center *control_;
    const qint32 *vendorId_;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VendorCenter Demo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A host form with the Vendor_Center control on it."));
    parser.addHelpOption();
    const QCommandLineOption serverOption(
        QStringLiteral("server"), QStringLiteral("Use this server base."), QStringLiteral("URL"));
    const QCommandLineOption vendorOption(QStringLiteral("vendor"), QStringLiteral("Vendor to load (default 12)."),
        QStringLiteral("ID"), QStringLiteral("12"));
    const QCommandLineOption databaseOption(QStringLiteral("database"),
        QStringLiteral("Demo database of the server page the demo starts."), QStringLiteral("PATH"));
    const QCommandLineOption screenshotOption(QStringLiteral("screenshot"),
        QStringLiteral("Render the loaded window to a PNG file and exit."), QStringLiteral("FILE"));
    parser.addOptions({serverOption, vendorOption, databaseOption, screenshotOption});
    parser.process(app);

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

    // A failed load is worth seeing while trying the demo: in the status bar and on stderr.
    QStatusBar *statusBar = window.statusBar();
    vendorcenter::setEventLogSink([statusBar](const QString &entry) {
        std::fprintf(stderr, "%s\n", qPrintable(entry));
        statusBar->showMessage(entry);
    });
    // What the control tells a screen reader (a load, a move, a failed save), in the same words.
    if (QObject *announcer = control->findChild<QObject *>(QStringLiteral("announcer")))
        QObject::connect(announcer, SIGNAL(announced(QString)), statusBar, SLOT(showMessage(QString)));
    // What a commit would send, as the commit button's tooltip says it.
    auto *pending = new QLabel(&window);
    statusBar->addPermanentWidget(pending);
    QObject::connect(control, &vendorcenter::Vendor_Center::pendingChangesChanged, pending, [control, pending] {
        const QString summary = control->findChild<QPushButton *>(QStringLiteral("cmdCommit"))->toolTip();
        pending->setText(summary.isEmpty() ? QStringLiteral("No pending changes") : summary);
    });

    // The control takes Ctrl+Z and Ctrl+Shift+Z / Ctrl+Y itself while it has
    // the focus, so the menu's actions carry no shortcut of their own.
    QMenu *edit = window.menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(control->undoStack()->createUndoAction(edit));
    edit->addAction(control->undoStack()->createRedoAction(edit));

    qint32 loadedVendor = vendor->value();
    QObject::connect(load, &QPushButton::clicked, control, [control, vendor, &window, &loadedVendor] {
        if (!pendingChangesMayGo(control, &window, loadedVendor))
            return;
        loadedVendor = vendor->value();
        control->LetDataFromDatabase(loadedVendor);
    });
    window.installEventFilter(new CloseGuard(control, &loadedVendor, &window));
    window.show();
    control->LetDataFromDatabase(loadedVendor, serverBase);

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

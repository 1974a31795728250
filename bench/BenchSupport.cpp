#include "BenchSupport.h"

#include <httplib.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QItemSelection>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace vcbench {

QString centerName(int id)
{
    static const char *const kinds[] = {"Warehouse", "Depot", "Hub", "Terminal", "Cross-Dock", "Distribution Center"};
    static const char *const places[] = {"North", "East", "Harbor", "Prairie", "Lakeside", "Mountain", "Bayou"};
    return QStringLiteral("%1 %2 & Sons <%3>")
        .arg(QLatin1String(places[id % 7]), QLatin1String(kinds[(id / 7) % 6]))
        .arg(id);
}

std::vector<FakeServerPage::ActiveCenter> activeCenters(int count, int firstId, int step)
{
    std::vector<FakeServerPage::ActiveCenter> centers;
    centers.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int id = firstId + i * step;
        centers.push_back(
            {QString::number(id), centerName(id), QString::number(1 + id % 3), QStringLiteral("2026-05-12 14:03:11")});
    }
    return centers;
}

std::vector<FakeServerPage::SelectedCenter> selectedCenters(int count, int firstId, int step)
{
    std::vector<FakeServerPage::SelectedCenter> centers;
    centers.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int id = firstId + i * step;
        centers.push_back(
            {QString::number(id), centerName(id), id % 4 == 0 ? QStringLiteral("0.125") : QStringLiteral("0.08"),
                id % 3 == 0 ? QStringLiteral("true") : QStringLiteral("0")});
    }
    return centers;
}

LoopbackPage::LoopbackPage() : server_(std::make_unique<httplib::Server>())
{
    server_->set_keep_alive_max_count(100'000);
    server_->set_tcp_nodelay(true);
    server_->Get("/VendorCenter.asp", [this](const httplib::Request &request, httplib::Response &response) {
        const std::shared_ptr<const Replies> replies =
            repliesFor(static_cast<qint32>(std::stol(request.get_param_value("VendorID"))));
        if (!replies) {
            response.status = 404;
            return;
        }
        const std::string &body = request.has_param("count") ? replies->counts
            : request.has_param("active")                    ? replies->active
                                                             : replies->selected;
        // cpp-httplib brotli-compresses "text/xml" (and a bare "application/xml")
        // at its slowest setting whenever the client accepts br, which Qt's
        // network stack does; with a charset parameter this type is left alone.
        // This stand-in is here to measure the control, not the compressor.
        response.set_content(body, "application/xml; charset=utf-8");
    });
    // Read through a content reader: cpp-httplib refuses a form body of more
    // than 8 KiB handed over whole, and the bytes only need counting.
    server_->Post("/VendorCenter.asp",
        [this](const httplib::Request &, httplib::Response &response, const httplib::ContentReader &readContent) {
            readContent([this](const char *, std::size_t length) {
                postedBytes_ += length;
                return true;
            });
            ++posts_;
            // An empty answer: the control shows no message box for it.
            response.set_content("", "text/plain");
        });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // Bounded: a server that does not come up within five seconds is a failure.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_->is_running()) {
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("the loopback server did not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

LoopbackPage::~LoopbackPage()
{
    server_->stop();
    if (thread_.joinable())
        thread_.join();
}

QString LoopbackPage::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

qint32 LoopbackPage::vendorWith(int active, int selected)
{
    std::lock_guard lock(mutex_);
    const auto known = vendorBySizes_.find({active, selected});
    if (known != vendorBySizes_.end())
        return known->second;
    const qint32 vendorId = 100 + static_cast<qint32>(vendors_.size());
    auto replies = std::make_shared<Replies>();
    replies->counts = FakeServerPage::countsXml(QStringLiteral("1"), QString::number(active), QString::number(selected))
                          .toStdString();
    replies->active = FakeServerPage::activeXml(activeCenters(active, 1, 2)).toStdString();
    replies->selected = FakeServerPage::selectedXml(selectedCenters(selected, 2, 2)).toStdString();
    vendors_.emplace(vendorId, std::move(replies));
    vendorBySizes_.emplace(std::make_pair(active, selected), vendorId);
    return vendorId;
}

std::shared_ptr<const LoopbackPage::Replies> LoopbackPage::repliesFor(qint32 vendorId) const
{
    std::lock_guard lock(mutex_);
    const auto found = vendors_.find(vendorId);
    return found == vendors_.end() ? nullptr : found->second;
}

MessageBoxAnswerer::MessageBoxAnswerer()
{
    qApp->installEventFilter(this);
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    qApp->removeEventFilter(this);
}

bool MessageBoxAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            ++answered;
            QMetaObject::invokeMethod(
                box, [box] { box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

int highlightFiveOfEight(QAbstractItemView *list, int first)
{
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QItemSelection blocks;
    const QAbstractItemModel *model = list->model();
    const int rows = model->rowCount();
    const int lastColumn = model->columnCount() - 1;
    int highlighted = 0;
    for (int block = first; block < rows; block += 8) {
        const int last = std::min(block + 4, rows - 1);
        // Appended, not selected one by one: the blocks never overlap, and
        // QItemSelection::select would merge each into all before it.
        blocks.append(QItemSelectionRange(model->index(block, 0), model->index(last, lastColumn)));
        highlighted += last - block + 1;
    }
    list->selectionModel()->select(blocks, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return highlighted;
}

void press(QWidget &control, const char *buttonName)
{
    auto *button = child<QPushButton>(control, buttonName);
    button->setEnabled(true);
    button->click();
}

void showPlainTreeView(QTreeView &view, QAbstractItemModel &model)
{
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model);
    view.resize(265, 230);
    view.show();
    settle();
}

} // namespace vcbench

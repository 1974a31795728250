#pragma once

// What the control's benchmarks share: the list sizes, generated centers, and
// a server page stand-in on loopback that runs on a thread of its own, so the
// control's blocking load waits on a real socket exactly as it would in use.

#include "BenchSizes.h"
#include "FakeServerPage.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace httplib {
class Server;
}
class QAbstractItemModel;
class QAbstractItemView;
class QTreeView;
namespace vendorcenter {
class Vendor_Center;
}

namespace vcbench {

// Centers with ids from `firstId` upwards in steps of `step`. Names carry
// markup characters so the XML escaping is part of every load.
std::vector<FakeServerPage::ActiveCenter> activeCenters(int count, int firstId, int step);
std::vector<FakeServerPage::SelectedCenter> selectedCenters(int count, int firstId, int step);

// The name of the generated center `id`; no generated name contains
// kNameThatMatchesNothing.
QString centerName(int id);
inline constexpr const char *kNameThatMatchesNothing = "no such center";

// The server page on 127.0.0.1 with canned load replies and a POST handler
// that only counts the bytes it receives.
class LoopbackPage
{
public:
    LoopbackPage();
    ~LoopbackPage();
    LoopbackPage(const LoopbackPage &) = delete;
    LoopbackPage &operator=(const LoopbackPage &) = delete;

    // "http://127.0.0.1:<port>"
    QString baseUrl() const;

    // A vendor whose lists hold `active` and `selected` centers (ids 1, 3, 5,
    // ... for the active list and 2, 4, 6, ... for the selected one, the order
    // a server page would send them in). The same sizes give the same vendor.
    qint32 vendorWith(int active, int selected);

    std::uint64_t postedBytes() const { return postedBytes_.load(); }
    std::uint64_t posts() const { return posts_.load(); }

private:
    struct Replies
    {
        std::string counts, active, selected;
    };
    std::shared_ptr<const Replies> repliesFor(qint32 vendorId) const;

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<qint32, std::shared_ptr<const Replies>> vendors_;
    std::map<std::pair<int, int>, qint32> vendorBySizes_;
    std::atomic<std::uint64_t> postedBytes_ {0};
    std::atomic<std::uint64_t> posts_ {0};
};

// Wall-clock seconds of one call.
template<typename Operation>
double secondsOf(Operation &&operation)
{
    const auto start = std::chrono::steady_clock::now();
    operation();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Lets queued work (deferred layouts, replies waiting for deletion) finish
// between rounds, so no round pays for the one before it.
inline void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// What the user sees after an operation: everything painted once.
inline void paintNow(QWidget &widget)
{
    widget.repaint();
    QCoreApplication::processEvents();
}

// Answers every message box at once, as a user pressing OK would, and counts them.
class MessageBoxAnswerer : public QObject
{
public:
    MessageBoxAnswerer();
    ~MessageBoxAnswerer() override;
    int answered = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// A widget of the control, found by its object name as a host would find it.
template<typename Widget>
Widget *child(QWidget &control, const char *name)
{
    return control.findChild<Widget *>(QLatin1String(name));
}

// Highlights five rows of every eight from `first` on: 10,000 of 16,000, in
// separate blocks, as a user's Ctrl+clicks would. Returns how many.
int highlightFiveOfEight(QAbstractItemView *list, int first = 0);

// Clicks the named button; enabled first, as the click on a list that comes
// before a move would leave it.
void press(QWidget &control, const char *buttonName);

// The plain tree view the floors show their rows in: uniform row heights, no
// root decoration, at the size of one of the control's lists, shown.
void showPlainTreeView(QTreeView &view, QAbstractItemModel &model);

} // namespace vcbench

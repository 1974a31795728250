#include "widget/CenterQueries.h"

#include "core/ControlState.h"
#include "core/ReplyReaders.h"
#include "net/XmlFetcher.h"
#include "widget/CenterListView.h"
#include "widget/LoadProgressBar.h"

#include <future>
#include <vector>

namespace vendorcenter {

namespace {

const char *const kActiveCentersQuery = "/VendorCenter.asp?active=1&VendorID=";
const char *const kSelectedCentersQuery = "/VendorCenter.asp?selected=1&VendorID=";

QString queryUrl(const ControlState &state, const char *path)
{
    return state.serverName + QLatin1String(path) + QString::number(state.vendorId);
}

// Shows the running row counter, then advances it; 32767 is as far as it goes.
void advanceProgress(LoadTarget &target)
{
    target.progress->showProgress(target.state.loadProgress);
    if (target.state.loadProgress == std::numeric_limits<qint16>::max())
        throw Failure::overflow();
    ++target.state.loadProgress;
}

// Parses a list reply and reads its rows. Safe on any thread: the failure is
// kept for the thread that shows the rows.
template<typename ReadRows>
ListRows readList(const QByteArray &body, ReadRows readRows)
{
    ListRows read;
    try {
        pugi::xml_document document;
        readRows(parseReply(body, document), read.rows, [&read] {
            // No list holds more rows than the counter counts: reading stops
            // there, whatever the reply's size.
            if (++read.completed > std::size_t(std::numeric_limits<qint16>::max()))
                throw Failure::overflow();
        });
    } catch (...) {
        read.failure = std::current_exception();
    }
    return read;
}

// Puts the rows read into `list`, advancing the progress bar row by row as if
// they were read now. Rows read before a failure (the one being built
// included) stay in the list.
void showList(LoadTarget &target, CenterListView *list, ListRows read)
{
    std::exception_ptr failure = read.failure;
    for (std::size_t row = 0; row < read.completed; ++row) {
        try {
            advanceProgress(target);
        } catch (...) {
            read.rows.resize(row + 1);
            failure = std::current_exception();
            break;
        }
    }
    target.progress->settle();
    list->addRows(std::move(read.rows));
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

void loadCenterCounts(LoadTarget &target)
{
    pugi::xml_document document;
    const pugi::xml_node root =
        target.fetcher.load(queryUrl(target.state, "/VendorCenter.asp?count=1&VendorID="), document);
    replies::readCounts(root, target.state);

    const int total = target.state.nonSelectedCount + target.state.selectedCount;
    if (total > std::numeric_limits<qint16>::max() || total < std::numeric_limits<qint16>::min())
        throw Failure::overflow();
    target.progress->setTotal(total);
    target.state.loadProgress = 0;
}

void requestCenterLists(LoadTarget &target)
{
    target.fetcher.prefetch(queryUrl(target.state, kActiveCentersQuery));
    target.fetcher.prefetch(queryUrl(target.state, kSelectedCentersQuery));
}

CenterLists readCenterLists(LoadTarget &target)
{
    // The active centers are read on a second thread while the selected ones
    // arrive and are read here.
    const QByteArray activeBody = target.fetcher.body(queryUrl(target.state, kActiveCentersQuery));
    const qint16 dutyDefault = target.state.dutyDefault;
    // Where no thread can be started, the active rows are read when asked for.
    std::future<ListRows> active = std::async(std::launch::async | std::launch::deferred, [&activeBody, dutyDefault] {
        return readList(activeBody,
            [dutyDefault](pugi::xml_node root, std::vector<CenterRow> &rows, const std::function<void()> &rowRead) {
                replies::readActiveRows(root, dutyDefault, rows, rowRead);
            });
    });
    CenterLists lists;
    // Without the active centers the load fails there; the selected ones are not waited for.
    if (!activeBody.isEmpty())
        lists.selected =
            readList(target.fetcher.body(queryUrl(target.state, kSelectedCentersQuery)), replies::readSelectedRows);
    lists.active = active.get();
    return lists;
}

void showActiveCenters(LoadTarget &target, CenterLists &lists)
{
    showList(target, target.nonSelected, std::move(lists.active));
    target.nonSelected->setSortKey(ColSortKey);
    target.selected->setSortKey(ColSortKey);
    target.nonSelected->clearHighlights();
}

void showSelectedCenters(LoadTarget &target, CenterLists &lists)
{
    showList(target, target.selected, std::move(lists.selected));
    target.selected->setSortKey(ColSortKey);
    target.progress->showFull();
    target.selected->clearHighlights();
}

} // namespace vendorcenter

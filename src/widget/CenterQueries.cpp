#include "widget/CenterQueries.h"

#include "core/ControlState.h"
#include "core/ReplyReaders.h"
#include "net/XmlFetcher.h"
#include "widget/CenterListView.h"
#include "widget/LoadProgressBar.h"

namespace vendorcenter {

namespace {

const char *const kCountsQuery = "/VendorCenter.asp?count=1&VendorID=";
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

// Reads the rows of one list reply into `list`. Rows read before a failure
// (the one being built included) stay in the list. `allRowsRead` runs once
// the whole reply has been read without failure, before the rows go into the
// list.
template<typename ReadRows, typename AllRowsRead>
void fillList(LoadTarget &target, CenterListView *list, const char *path, ReadRows readRows, AllRowsRead allRowsRead)
{
    pugi::xml_document document;
    const pugi::xml_node root = target.fetcher.load(queryUrl(target.state, path), document);
    std::vector<CenterRow> rows;
    try {
        readRows(root, rows, [&target] { advanceProgress(target); });
    } catch (...) {
        target.progress->settle();
        list->addRows(std::move(rows));
        throw;
    }
    allRowsRead();
    target.progress->settle();
    list->addRows(std::move(rows));
}

} // namespace

void loadCenterCounts(LoadTarget &target)
{
    pugi::xml_document document;
    const pugi::xml_node root = target.fetcher.load(queryUrl(target.state, kCountsQuery), document);
    replies::readCounts(root, target.state);

    const int total = target.state.nonSelectedCount + target.state.selectedCount;
    if (total > std::numeric_limits<qint16>::max() || total < std::numeric_limits<qint16>::min())
        throw Failure::overflow();
    target.progress->setTotal(total);
    target.state.loadProgress = 0;
}

void requestCenterCounts(LoadTarget &target)
{
    target.fetcher.prefetch(queryUrl(target.state, kCountsQuery));
}

void loadActiveCenters(LoadTarget &target)
{
    const qint16 dutyDefault = target.state.dutyDefault;
    fillList(
        target, target.nonSelected, kActiveCentersQuery,
        [dutyDefault](pugi::xml_node root, std::vector<CenterRow> &rows, const std::function<void()> &rowRead) {
            replies::readActiveRows(root, dutyDefault, rows, rowRead);
        },
        // The server page works on the selected list while the active rows
        // are sorted into theirs.
        [&target] { target.fetcher.prefetch(queryUrl(target.state, kSelectedCentersQuery)); });

    target.nonSelected->setSortKey(ColSortKey);
    target.selected->setSortKey(ColSortKey);
    target.nonSelected->clearHighlights();
}

void loadSelectedCenters(LoadTarget &target)
{
    // A save is checked against the list as read here, so only a list read in
    // full names the version.
    fillList(target, target.selected, kSelectedCentersQuery, replies::readSelectedRows,
        [&target] { target.state.listVersion = target.fetcher.lastEntityTag(); });

    target.selected->setSortKey(ColSortKey);
    target.progress->showFull();
    target.selected->clearHighlights();
}

} // namespace vendorcenter

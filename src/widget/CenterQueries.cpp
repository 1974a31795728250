#include "widget/CenterQueries.h"

#include "widget/CenterListView.h"
#include "core/ControlState.h"
#include "widget/ControlSurface.h"
#include "widget/LoadProgressBar.h"
#include "widget/TextBoxLook.h"
#include "core/ReplyReaders.h"
#include "net/XmlFetcher.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace vendorcenter {

namespace {

QString queryUrl(const ControlState &state, const char *path)
{
    return state.mtServerName + QLatin1String(path) + QString::number(state.mlVendorID);
}

// Shows the running row counter, then advances it; 32767 is as far as it goes.
void advanceProgress(LoadTarget &target)
{
    target.ui.prbLoad->showProgress(target.state.miLoadProgress);
    if (target.state.miLoadProgress == std::numeric_limits<qint16>::max())
        throw Failure::overflow();
    ++target.state.miLoadProgress;
}

// Reads the rows of one list reply into `list`. Rows read before a failure
// (the one being built included) stay in the list.
template<typename ReadRows>
void fillList(LoadTarget &target, CenterListView *list, const char *path, ReadRows readRows)
{
    pugi::xml_document document;
    const pugi::xml_node root = target.fetcher.load(queryUrl(target.state, path), document);
    std::vector<CenterRow> rows;
    try {
        readRows(root, rows, [&target] { advanceProgress(target); });
    } catch (...) {
        target.ui.prbLoad->settle();
        list->addRows(std::move(rows));
        throw;
    }
    target.ui.prbLoad->settle();
    list->addRows(std::move(rows));
}

void enableFindAfterLoad(ControlSurface &ui)
{
    ui.optFind[0]->setEnabled(true);
    ui.optFind[1]->setEnabled(true);
    ui.txtVendorID->setEnabled(true);
    setTextBoxWritable(ui.txtVendorID, true);
}

} // namespace

void loadCenterCounts(LoadTarget &target)
{
    pugi::xml_document document;
    const pugi::xml_node root =
        target.fetcher.load(queryUrl(target.state, "/VendorCenter.asp?count=1&VendorID="), document);
    replies::readCounts(root, target.state);

    const int total = target.state.miNonSelectedCount + target.state.miSelectedCount;
    if (total > std::numeric_limits<qint16>::max() || total < std::numeric_limits<qint16>::min())
        throw Failure::overflow();
    target.ui.prbLoad->setTotal(total);
    target.ui.lblAllVendors->setText(
        QStringLiteral("Non Selected Active Centers (%1):").arg(target.state.miNonSelectedCount));
    target.ui.lblSelVendors->setText(QStringLiteral("Selected Centers (%1):").arg(target.state.miSelectedCount));
    target.state.miLoadProgress = 0;
}

void loadActiveCenters(LoadTarget &target)
{
    const qint16 dutyDefault = target.state.miDutyDefault;
    fillList(target, target.ui.lstCenters, "/VendorCenter.asp?active=1&VendorID=",
             [dutyDefault](pugi::xml_node root, std::vector<CenterRow> &rows, const std::function<void()> &rowRead) {
                 replies::readActiveRows(root, dutyDefault, rows, rowRead);
             });

    target.ui.lstCenters->setSortKey(ColSortKey);
    target.ui.lstSelectedCenters->setSortKey(ColSortKey);
    target.ui.optList[0]->setEnabled(true);
    enableFindAfterLoad(target.ui);
    target.ui.lstCenters->clearHighlights();
}

void loadSelectedCenters(LoadTarget &target)
{
    fillList(target, target.ui.lstSelectedCenters, "/VendorCenter.asp?selected=1&VendorID=", replies::readSelectedRows);

    target.ui.lstSelectedCenters->setSortKey(ColSortKey);
    target.ui.optList[1]->setEnabled(true);
    target.ui.prbLoad->showFull();
    enableFindAfterLoad(target.ui);
    target.ui.lstSelectedCenters->clearHighlights();
}

} // namespace vendorcenter

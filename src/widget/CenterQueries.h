#pragma once

namespace vendorcenter {

struct ControlState;
class CenterListView;
class LoadProgressBar;
class XmlFetcher;

// What the three load queries work on.
struct LoadTarget
{
    CenterListView *nonSelected;
    CenterListView *selected;
    LoadProgressBar *progress;
    ControlState &state;
    XmlFetcher &fetcher;
};

// Sends the count query without waiting, so that the server page answers it
// while the old rows are freed here; loadCenterCounts() reads that reply.
void requestCenterCounts(LoadTarget &target);
// The three queries of a load, sent and read strictly in this order: a query
// goes out only once the reply before it has been read without failure, so a
// failed reply is never followed by another query. The selected list is asked
// for as soon as the active reply's rows are read, before they are put into
// their list. Each throws the Failure that stopped it; rows read before a
// failure stay in their list. The counts go to the state and the progress
// bar, the rows to their list, sorted and without highlights.
void loadCenterCounts(LoadTarget &target);
void loadActiveCenters(LoadTarget &target);
void loadSelectedCenters(LoadTarget &target);

} // namespace vendorcenter

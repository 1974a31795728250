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

// The three queries of a load, run in this order. Each throws the Failure that
// stopped it; rows read before a failure stay in their list. The counts go to
// the state and the progress bar, the rows to their list, sorted and without
// highlights.
void loadCenterCounts(LoadTarget &target);
// Asks for both lists at once, before the first is read: the server page
// prepares the selected centers while the active ones are being read here.
void requestCenterLists(LoadTarget &target);
void loadActiveCenters(LoadTarget &target);
void loadSelectedCenters(LoadTarget &target);

} // namespace vendorcenter

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

// Asks for both lists first, so that the server page works on them while the
// counts are read here; when a load fails, the lists asked for are dropped
// unread.
void requestCenterLists(LoadTarget &target);
// The three queries of a load, read in this order. Each throws the Failure that
// stopped it; rows read before a failure stay in their list. The counts go to
// the state and the progress bar, the rows to their list, sorted and without
// highlights.
void loadCenterCounts(LoadTarget &target);
void loadActiveCenters(LoadTarget &target);
void loadSelectedCenters(LoadTarget &target);

} // namespace vendorcenter

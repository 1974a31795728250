#pragma once

namespace vendorcenter {

struct ControlSurface;
struct ControlState;
class XmlFetcher;

// What the three load queries work on.
struct LoadTarget
{
    ControlSurface &ui;
    ControlState &state;
    XmlFetcher &fetcher;
};

// The three queries of a load, run in this order. Each throws the Failure that
// stopped it; rows read before a failure stay in their list.
void loadCenterCounts(LoadTarget &target);
void loadActiveCenters(LoadTarget &target);
void loadSelectedCenters(LoadTarget &target);

} // namespace vendorcenter

#pragma once

#include "core/CenterRow.h"

#include <exception>
#include <vector>

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

// The rows of one list reply. `completed` counts the rows read whole; after a
// failure, the row being built is the last one.
struct ListRows
{
    std::vector<CenterRow> rows;
    std::size_t completed = 0;
    std::exception_ptr failure;
};

struct CenterLists
{
    ListRows active;
    ListRows selected;
};

// The three queries of a load. requestCenterLists() asks for both lists
// first, so that the server page works on them while the counts are read and
// the progress bar set up; a failure there throws, and the lists asked for are
// dropped unread. readCenterLists() then reads both lists, and each show puts
// one into its list, sorted and without highlights, and throws the Failure
// that stopped its reading, rows read before it staying in the list.
void requestCenterLists(LoadTarget &target);
void loadCenterCounts(LoadTarget &target);
CenterLists readCenterLists(LoadTarget &target);
void showActiveCenters(LoadTarget &target, CenterLists &lists);
void showSelectedCenters(LoadTarget &target, CenterLists &lists);

} // namespace vendorcenter

#include "widget/ButtonStates.h"

#include <cstddef>

namespace vendorcenter {

namespace {

std::size_t indexOf(Side side)
{
    return static_cast<std::size_t>(side);
}

Side otherSide(Side side)
{
    return side == Side::Selected ? Side::NonSelected : Side::Selected;
}

} // namespace

void ButtonStates::loadStarted()
{
    commit = false;
}

void ButtonStates::listLoaded(Side side)
{
    listToSearch[indexOf(side)] = true;
    searchKeys = true;
}

void ButtonStates::emptyListClicked()
{
    add = addAll = remove = removeAll = false;
}

void ButtonStates::nonSelectedClicked(bool several)
{
    remove = removeAll = false;
    addAll = several;
    add = !several;
}

void ButtonStates::selectedRowShown(bool several)
{
    add = addAll = false;
    removeAll = several;
    remove = !several;
    feeUpdate = !several;
}

void ButtonStates::movedOne(Side to, bool fromIsEmpty)
{
    const bool intoSelected = to == Side::Selected;
    // The button that moved the row gives way to the one that takes it back.
    add = !intoSelected;
    remove = intoSelected;
    commit = true;
    if (fromIsEmpty)
        listToSearch[indexOf(otherSide(to))] = false;
    listToSearch[indexOf(to)] = true;
}

void ButtonStates::movedHighlighted(Side to, bool fromIsEmpty)
{
    const bool intoSelected = to == Side::Selected;
    addAll = !intoSelected;
    removeAll = intoSelected;
    commit = true;
    if (fromIsEmpty) {
        listToSearch[indexOf(otherSide(to))] = false;
        listToSearch[indexOf(to)] = true;
    }
}

void ButtonStates::feeSaved()
{
    commit = true;
}

void ButtonStates::feePanelReset()
{
    feeUpdate = false;
}

void ButtonStates::findTextChanged(bool hasText)
{
    find = hasText;
}

void ButtonStates::listsRestored(const ButtonStates &kept)
{
    commit = kept.commit;
    listToSearch = kept.listToSearch;
}

void ButtonStates::editButtonsRestored(const ButtonStates &kept)
{
    add = kept.add;
    addAll = kept.addAll;
    remove = kept.remove;
    removeAll = kept.removeAll;
    commit = kept.commit;
    feeUpdate = kept.feeUpdate;
}

void ButtonStates::commitStarted()
{
    add = addAll = remove = removeAll = commit = false;
}

void ButtonStates::commitFailed()
{
    commit = true;
}

} // namespace vendorcenter

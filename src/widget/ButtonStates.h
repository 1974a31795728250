#pragma once

#include <array>

namespace vendorcenter {

// The two lists, as the find panel's "List to search" options number them.
enum class Side { NonSelected = 0, Selected = 1 };

// Which of the control's buttons and options the user may use. Nearly all of
// it depends on what the user did last rather than on what the lists hold
// now (a load offers both lists to search even when one is empty; a move
// offers the button that takes it back), so each fact is kept here under its
// own name and changed only by the steps below. VendorCenterPrivate shows it
// on the widgets in one place.
struct ButtonStates
{
    bool add = false; // ">"
    bool addAll = false; // ">>"
    bool remove = false; // "<"
    bool removeAll = false; // "<<"
    bool commit = false; // "Commit to Database": changes since the load wait to be saved
    std::array<bool, 2> listToSearch {false, false}; // optList(0) and optList(1), by Side
    bool searchKeys = false; // optFind(0), optFind(1) and the id box: a list has been read
    bool find = false; // "Find": the find box typed in last holds text
    bool feeUpdate = false; // "Update": one selected row is shown in the fee panel

    // A load starts: what it replaces cannot be committed any more.
    void loadStarted();
    // A list reply was read into its list.
    void listLoaded(Side side);

    // A click on a list that holds no rows offers no move.
    void emptyListClicked();
    // A click on the non-selected list offers ">" for one highlighted row and
    // ">>" for several.
    void nonSelectedClicked(bool several);
    // A click that shows a selected row offers "<" and the fee for one
    // highlighted row, "<<" alone for several.
    void selectedRowShown(bool several);

    // ">" or "<" moved the current row to `to`; the list it left may now be empty.
    void movedOne(Side to, bool fromIsEmpty);
    // ">>" or "<<" moved the highlighted rows to `to`.
    void movedHighlighted(Side to, bool fromIsEmpty);

    // A typed fee was written into its row.
    void feeSaved();
    // The fee panel was cleared: a click on the other list, a move out of
    // the selected list, a turn to the find panel.
    void feePanelReset();
    // The find box typed in last now holds text, or none.
    void findTextChanged(bool hasText);

    // An undo or redo put the lists back as a step kept them. What a commit
    // would send and the lists to search come back with them...
    void listsRestored(const ButtonStates &kept);
    // ...and, where no row is left to point at, the buttons of the edit too.
    void editButtonsRestored(const ButtonStates &kept);

    // "Commit to Database" was pressed: nothing can be moved or committed while it saves.
    void commitStarted();
    // The save failed: the changes are still there to commit.
    void commitFailed();
};

} // namespace vendorcenter

#pragma once

#include "core/CenterRow.h"
#include "core/ControlState.h"

#include <pugixml.hpp>

#include <functional>
#include <vector>

// Reading the server page's XML replies. Only positions are read, never
// element names: a node is found as the n-th child node of its parent,
// counting every node the parser keeps (elements, text, comments,
// processing instructions). Every function throws the Failure that a missing
// node or a bad value causes.
namespace vendorcenter::replies {

// The n-th child node (from 0); throws Failure 91 when there is none.
pugi::xml_node childAt(pugi::xml_node parent, int position);
int childCount(pugi::xml_node parent);
// The text content of a node: its own value, or for an element all the text below it.
QString nodeText(pugi::xml_node node);

// The count reply: duty default, non-selected count, selected count, three
// levels below the root. Each value is stored as soon as it is read.
void readCounts(pugi::xml_node root, ControlState &state);

// The rows of the active-center reply (rows at root position 1). Rows are
// appended to `rows`; after each complete row `rowRead` runs (and may throw).
// On a failure the row being built is already in `rows`.
void readActiveRows(
    pugi::xml_node root, qint16 dutyDefault, std::vector<CenterRow> &rows, const std::function<void()> &rowRead);

// The rows of the selected-center reply (rows at root position 2).
void readSelectedRows(pugi::xml_node root, std::vector<CenterRow> &rows, const std::function<void()> &rowRead);

} // namespace vendorcenter::replies

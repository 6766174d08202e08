#pragma once

#include <QString>

namespace tl::paging {

// A name is taken as a picture when its last three characters are exactly one of the picture
// endings in lower or in upper case; mixed case is not taken.
bool isPictureName(const QString& name);

// Scroll steps for a list of pictures: one for the first full page, then one per further row,
// started or not. Zero below a full page.
int scrollRows(int pictureCount);

// The scroll units of one row, as the bar's arrows and trough step by it. A row is 1200 while the
// whole list fits the scroll bar's 16-bit range; a longer list gets the largest whole unit that
// keeps every row reachable, and past Int16Max rows a row is less than one unit: the bar then steps
// by one unit, a few rows at a time.
int rowUnit(int pictureCount);

// The scroll bar's range for a list: rows times the row unit, never beyond Int16Max.
int scrollMax(int pictureCount);

// The list entry shown in the top-left cell at a scroll position: position / unit * 6, to the
// nearest entry, a half going to the even neighbour. Past Int16Max rows a unit is a few rows: a
// position shows the first entry of its nearest row, and the last position the last row however
// long the list is.
int firstEntry(int position, int pictureCount);

// The scroll position whose page begins with `row` at the top; past Int16Max rows, where a
// position stands for a few rows, the last position whose page begins at or above it.
int positionOfRow(int row, int pictureCount);

// The scroll position nearest `from` whose page shows `entry`: `from` when its page does, else the
// position that brings the entry's row in at the top (from below) or at the bottom (from above), as
// a few steps of the bar would. Past Int16Max rows some rows never begin a page: the position whose
// page lies nearest then.
int positionShowing(int entry, int pictureCount, int from);

} // namespace tl::paging

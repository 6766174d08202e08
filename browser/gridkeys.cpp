// The grid by keyboard: a focus ring on one cell, moved by the arrows and the paging keys.
//
// The ring marks an entry of List1, not a cell: it stays with its entry while the grid scrolls, and
// shows only while that entry is on the page and the grid has the focus. The keys work in entries
// and pages; the bar's position for a page is looked up through paging::firstEntry, so that a folder
// with more rows than the bar's 16-bit range pages the same way.

#include "browser/frmBmpGet.h"

#include "browser/layout.h"
#include "browser/paging.h"
#include "platform/twips.h"

#include <QAccessible>
#include <algorithm>
#include <utility>

namespace tl {

namespace {
    constexpr int Columns = layout::GridColumns;
    // Page Up and Page Down move by the grid's four rows: the bar's own large change is one row.
    constexpr int PageEntries = layout::CellCount;

    bool onLastRow(int entry, int count) { return entry / Columns == (count - 1) / Columns; }

    // `rows` rows down in the same column; onto a shorter last row, its last entry.
    int downBy(int from, int rows, int count)
    {
        if (onLastRow(from, count))
            return from;
        int entry = from + rows * Columns;
        while (entry >= count && entry - Columns > from)
            entry -= Columns;
        return std::min(entry, count - 1);
    }

    // `rows` rows up in the same column, or the first row.
    int upBy(int from, int rows)
    {
        int entry = from - rows * Columns;
        while (entry < 0)
            entry += Columns;
        return entry;
    }

    // The entry a key moves the ring to from `from`; -1 for a key the grid leaves to the window.
    int movedTo(int key, int from, int count)
    {
        switch (key) {
        case Qt::Key_Left:
            return std::max(from - 1, 0);
        case Qt::Key_Right:
            return std::min(from + 1, count - 1);
        case Qt::Key_Up:
            return upBy(from, 1);
        case Qt::Key_Down:
            return downBy(from, 1, count);
        case Qt::Key_PageUp:
            return upBy(from, layout::GridRows);
        case Qt::Key_PageDown:
            return downBy(from, layout::GridRows, count);
        case Qt::Key_Home:
            return 0;
        case Qt::Key_End:
            return count - 1;
        default:
            return -1;
        }
    }
} // namespace

void frmBmpGet::focusEntry(int entry)
{
    const bool moved = std::exchange(focusedEntry_, entry) != entry;
    showFocusRing();
    if (moved)
        tellFocusedCell();
}

// The ring's cell, or -1 when its entry is not on the page.
int frmBmpGet::focusedCell() const
{
    const int cell = focusedEntry_ - pageFirst_;
    if (focusedEntry_ < 0 || focusedEntry_ >= List1.ListCount() || cell < 0 || cell >= layout::CellCount)
        return -1;
    return cell;
}

void frmBmpGet::showFocusRing()
{
    const int cell = focusedCell();
    const bool focused = Picture1.widget()->hasFocus();
    for (int k = 0; k < layout::CellCount; ++k)
        Image2[k].setFocusRing(focused && k == cell);
    // The cells keep their order, which is the order a screen reader reads them in: the ring is drawn
    // inside its own cell, not by raising it over its neighbours.
    Picture1.setFocusedChild(cell >= 0 ? &Image2[cell] : nullptr);
}

// A screen reader hears the name of the cell the ring moved to.
void frmBmpGet::tellFocusedCell()
{
    const int cell = focusedCell();
    if (cell < 0 || !Picture1.widget()->hasFocus())
        return;
    QAccessibleEvent focus(Image2[cell].widget(), QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void frmBmpGet::Picture1_GotFocus()
{
    showFocusRing();
    // After the window has told that the grid has the focus, the cell is told.
    QMetaObject::invokeMethod(
        this, [this] { tellFocusedCell(); }, Qt::QueuedConnection);
}

void frmBmpGet::Picture1_KeyDown(int& KeyCode, Qt::KeyboardModifiers Shift)
{
    const int count = List1.ListCount();
    if (count == 0 || (Shift & ~Qt::KeypadModifier) != Qt::NoModifier)
        return;
    const int from = std::clamp(focusedEntry_, 0, count - 1);
    if (KeyCode == Qt::Key_Return || KeyCode == Qt::Key_Enter || KeyCode == Qt::Key_Space) {
        KeyCode = 0;
        scrollToShow(from);
        focusEntry(from);
        // Where a step of the bar is more rows than a page, an entry may lie on no page.
        if (const int cell = focusedCell(); cell >= 0)
            Image2_Click(cell);
        return;
    }
    const int key = std::exchange(KeyCode, 0);
    const int to = movedTo(key, from, count);
    if (to < 0) {
        KeyCode = key;
        return;
    }
    // A page key pages the grid with the ring on it; a ring off the page is only scrolled to.
    if ((key == Qt::Key_PageUp || key == Qt::Key_PageDown) && focusedCell() >= 0)
        scrollToPage(pageFirst_ + (key == Qt::Key_PageUp ? -PageEntries : PageEntries));
    scrollToShow(to);
    focusEntry(to);
}

// Moves the bar to the page that starts at `first`, or the nearest one before it.
void frmBmpGet::scrollToPage(int first)
{
    VScroll1.setValue(static_cast<Int16>(paging::positionOfRow(std::max(first, 0) / Columns, List1.ListCount())));
}

// Scrolls the least that brings `entry` onto the page: it comes in at the top row or at the bottom
// one, as the bar's arrows bring in one row at a time.
void frmBmpGet::scrollToShow(int entry)
{
    const int position = paging::positionShowing(entry, List1.ListCount(), VScroll1.Value());
    if (position != VScroll1.Value())
        VScroll1.setValue(static_cast<Int16>(position));
}

} // namespace tl

#include "browser/paging.h"

#include "browser/layout.h"
#include "pictures/picture.h"
#include "platform/twips.h"

#include <algorithm>
#include <cmath>

namespace tl::paging {

bool isPictureName(const QString& name)
{
    // Each ending in lower and in upper case, made once: this runs for every name of a folder.
    static const QStringList accepted = [] {
        QStringList both = PictureEndings;
        for (const QString& ending : PictureEndings)
            both.append(ending.toUpper());
        return both;
    }();
    return accepted.contains(QStringView(name).right(3));
}

int scrollRows(int pictureCount)
{
    if (pictureCount < layout::CellCount)
        return 0;
    return (pictureCount - layout::CellCount) / layout::GridColumns + 1;
}

int rowUnit(int pictureCount)
{
    const long long rows = scrollRows(pictureCount);
    if (rows * layout::RowPitch <= Int16Max)
        return layout::RowPitch;
    return std::max(1, static_cast<int>(Int16Max / rows));
}

int scrollMax(int pictureCount)
{
    const long long rows = scrollRows(pictureCount);
    return static_cast<int>(std::min<long long>(rows * rowUnit(pictureCount), Int16Max));
}

int firstEntry(int position, int pictureCount)
{
    const long long rows = scrollRows(pictureCount);
    if (rows <= Int16Max) {
        const double exact = static_cast<double>(position) / rowUnit(pictureCount) * layout::GridColumns;
        return static_cast<int>(std::nearbyint(exact));
    }
    // Past Int16Max rows a position stands for the nearest row, rows / Int16Max of them a unit, and
    // shows that row's first entry: the top-left cell always begins a row, and Int16Max shows the
    // last row at the top as the end of a shorter list does. Int16Max is odd, so no quotient lies
    // half-way between two rows.
    const long long row = (2 * position * rows + Int16Max) / (2 * Int16Max);
    return static_cast<int>(row * layout::GridColumns);
}

int positionOfRow(int row, int pictureCount)
{
    const long long rows = scrollRows(pictureCount);
    const long long wanted = std::clamp<long long>(row, 0, rows);
    if (rows <= Int16Max)
        return static_cast<int>(wanted * rowUnit(pictureCount));
    // firstEntry shows row (2 p rows + M) / 2M at position p: the largest p for which that is
    // at most `wanted` lies just short of (2 wanted + 1) M / 2 rows.
    const long long past = ((2 * wanted + 1) * Int16Max + 2 * rows - 1) / (2 * rows);
    return static_cast<int>(std::clamp<long long>(past - 1, 0, Int16Max));
}

int positionShowing(int entry, int pictureCount, int from)
{
    const auto shows = [entry, pictureCount](int position) {
        const int first = firstEntry(position, pictureCount);
        return entry >= first && entry < first + layout::CellCount;
    };
    if (shows(from))
        return from;
    const int row = entry / layout::GridColumns;
    const bool above = entry < firstEntry(from, pictureCount);
    const int position = positionOfRow(above ? row : row - (layout::GridRows - 1), pictureCount);
    if (!shows(position) && position < scrollMax(pictureCount) && shows(position + 1))
        return position + 1;
    return position;
}

} // namespace tl::paging

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

} // namespace tl::paging

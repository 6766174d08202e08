#include "browser/paging.h"

#include "browser/layout.h"

#include <algorithm>
#include <cmath>

namespace tl::paging {

namespace {
    constexpr int Largest = 32767;
}

bool isPictureName(const QString& name)
{
    const QString ending = name.right(3);
    for (const char* accepted : { "bmp", "BMP", "jpg", "JPG", "gif", "GIF", "ico", "ICO" })
        if (ending == QLatin1String(accepted))
            return true;
    return false;
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
    if (rows * layout::RowPitch <= Largest)
        return layout::RowPitch;
    return std::max(1, static_cast<int>(Largest / rows));
}

int scrollMax(int pictureCount)
{
    const long long rows = scrollRows(pictureCount);
    return static_cast<int>(std::min<long long>(rows * rowUnit(pictureCount), Largest));
}

int firstEntry(int position, int pictureCount)
{
    const long long rows = scrollRows(pictureCount);
    if (rows <= Largest) {
        const double exact = static_cast<double>(position) / rowUnit(pictureCount) * layout::GridColumns;
        return static_cast<int>(std::nearbyint(exact));
    }
    // The product is exact in a double for any int count, so the rounding sees the true quotient.
    const double exact = static_cast<double>(position * layout::GridColumns * rows) / Largest;
    return static_cast<int>(std::nearbyint(exact));
}

} // namespace tl::paging

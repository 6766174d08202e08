#pragma once

#include <QStringView>

namespace tl {

// Natural order of names, the same under every locale: letters compare case-insensitively (simple case
// folding of each UTF-16 unit) and runs of digits, ASCII or full-width or both, compare by numeric
// value, so img2 < img10 < IMG11 and 写真２ < 写真９ < 写真１０.
// Numbers of any length compare without overflow. Names that differ only in case, in leading zeros or
// in the width of digits are still ordered (fewer leading zeros first, then by UTF-16 code unit), so only identical
// strings compare equal. Negative, zero or positive like strcmp.
int naturalCompare(QStringView a, QStringView b);
bool naturalLess(QStringView a, QStringView b);

} // namespace tl

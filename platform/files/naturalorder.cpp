#include "platform/files/naturalorder.h"

namespace tl {

namespace {

    // The value of an ASCII or a full-width digit, -1 for any other character: 写真２ and 写真2 name
    // the same number.
    constexpr int digitValue(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'\uFF10' && c <= u'\uFF19')
            return c - u'\uFF10';
        return -1;
    }

    constexpr bool isDigit(char16_t c) { return digitValue(c) >= 0; }

    // What a character weighs against a different one. A digit weighs as its ASCII form, and no other
    // character folds to an ASCII digit, so a digit against any other character gives the same answer
    // whatever the digit and its width are: numbers as a whole sort between the characters below '0'
    // and those above '9', and the order stays transitive.
    inline char32_t weight(char16_t c)
    {
        if (c < 0x80)
            return (c >= u'A' && c <= u'Z') ? char32_t(c + (u'a' - u'A')) : char32_t(c);
        if (isDigit(c))
            return char32_t(u'0' + digitValue(c));
        return QChar::toCaseFolded(char32_t(c));
    }

    int sign(qsizetype v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

    qsizetype skipZeros(QStringView s, qsizetype from)
    {
        while (from < s.size() && digitValue(s[from].unicode()) == 0)
            ++from;
        return from;
    }

    qsizetype digitsEnd(QStringView s, qsizetype from)
    {
        while (from < s.size() && isDigit(s[from].unicode()))
            ++from;
        return from;
    }

} // namespace

int naturalCompare(QStringView a, QStringView b)
{
    const qsizetype na = a.size();
    const qsizetype nb = b.size();
    qsizetype i = 0;
    qsizetype j = 0;
    int leadingZeros = 0; // first difference in leading zeros between equal numbers
    while (i < na && j < nb) {
        const char16_t ca = a[i].unicode();
        const char16_t cb = b[j].unicode();
        if (isDigit(ca) && isDigit(cb)) {
            const qsizetype ia = skipZeros(a, i);
            const qsizetype ea = digitsEnd(a, ia);
            const qsizetype ib = skipZeros(b, j);
            const qsizetype eb = digitsEnd(b, ib);
            // Without leading zeros the longer number is the larger; equal lengths compare digit by digit.
            if (ea - ia != eb - ib)
                return ea - ia < eb - ib ? -1 : 1;
            for (qsizetype k = 0; k < ea - ia; ++k) {
                const int da = digitValue(a[ia + k].unicode());
                const int db = digitValue(b[ib + k].unicode());
                if (da != db)
                    return da < db ? -1 : 1;
            }
            if (leadingZeros == 0)
                leadingZeros = sign((ia - i) - (ib - j));
            i = ea;
            j = eb;
            continue;
        }
        const char32_t fa = weight(ca);
        const char32_t fb = weight(cb);
        if (fa != fb)
            return fa < fb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < na)
        return 1;
    if (j < nb)
        return -1;
    if (leadingZeros != 0)
        return leadingZeros;
    return sign(a.compare(b, Qt::CaseSensitive));
}

bool naturalLess(QStringView a, QStringView b) { return naturalCompare(a, b) < 0; }

} // namespace tl

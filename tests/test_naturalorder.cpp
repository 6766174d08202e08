#include "platform/files/naturalorder.h"
#include "support.h"

#include <QLocale>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

// Ascending natural order.
const QStringList NaturallySorted = {
    u""_s,
    u" "_s,
    u"-1"_s,
    u".5"_s,
    u"0"_s,
    u"00"_s, // same value, more leading zeros
    u"1"_s,
    u"01"_s,
    u"001"_s,
    u"1a"_s,
    u"2"_s,
    u"２"_s, // full-width digits count by value, after the ASCII ones of the same number
    u"9"_s,
    u"９"_s,
    u"10"_s,
    u"1０"_s,
    u"１０"_s,
    u"010"_s,
    u"99"_s,
    u"100"_s,
    u"18446744073709551615"_s, // largest 64-bit value
    u"18446744073709551616"_s, // one more
    u"100000000000000000000000"_s,
    u"0100000000000000000000000"_s,
    u"_"_s, // below the letters when case folds down, above them if it folded up
    u"A"_s,
    u"a"_s,
    u"a b"_s,
    u"a.jpg"_s,
    u"a0"_s,
    u"a1"_s,
    u"a01"_s,
    u"a01b"_s, // a later letter outweighs an earlier leading zero
    u"a1c"_s,
    u"a2"_s,
    u"a10"_s,
    u"file"_s,
    u"file 2"_s,
    u"file-1"_s,
    u"file.1"_s,
    u"file1"_s,
    u"file_1"_s,
    u"img2"_s,
    u"img10"_s,
    u"IMG11"_s,
    u"img11"_s,
    u"K"_s,
    u"k"_s,
    u"\u212A"_s, // KELVIN SIGN folds to k
    u"l"_s,
    u"x1y002"_s, // the first run of leading zeros decides
    u"x01y02"_s,
    u"zebra"_s,
    u"Äpfel"_s,
    u"äpfel"_s,
    u"写真1.jpg"_s,
    u"写真2.jpg"_s,
    u"写真２.jpg"_s,
    u"写真９.jpg"_s,
    u"写真10.jpg"_s,
    u"写真１０.jpg"_s,
    u"写真１１.jpg"_s,
};

TEST(NaturalOrder, SortsTheTableUnderEveryLocale)
{
    const QLocale saved;
    for (const QLocale& locale : { QLocale::c(), QLocale(QLocale::Turkish, QLocale::Turkey),
             QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::Swedish, QLocale::Sweden) }) {
        QLocale::setDefault(locale);
        for (qsizetype i = 0; i < NaturallySorted.size(); ++i) {
            for (qsizetype j = 0; j < NaturallySorted.size(); ++j) {
                const QString& a = NaturallySorted[i];
                const QString& b = NaturallySorted[j];
                EXPECT_EQ(sign(tl::naturalCompare(a, b)), sign(int(i - j)))
                    << locale.name().toStdString() << ": \"" << a.toStdString() << "\" vs \"" << b.toStdString() << '"';
                EXPECT_EQ(tl::naturalLess(a, b), i < j);
            }
        }
        QStringList shuffled = NaturallySorted;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
        std::sort(
            shuffled.begin(), shuffled.end(), [](const QString& a, const QString& b) { return tl::naturalLess(a, b); });
        EXPECT_EQ(toStd(shuffled), toStd(NaturallySorted)) << locale.name().toStdString();
    }
    QLocale::setDefault(saved);
}

// Random names built from characters that meet at the edges of the rules: digits against the
// punctuation below and above them, letters that fold, leading zeros.
TEST(NaturalOrder, IsAStrictTotalOrderOnRandomNames)
{
    const QString alphabet = u"0019０１９aAbB._ äÄ\u212A"_s;
    std::mt19937 random(2024);
    QStringList names = NaturallySorted;
    while (names.size() < 140) {
        QString name;
        const int length = int(random() % 7);
        for (int k = 0; k < length; ++k)
            name += alphabet[qsizetype(random() % alphabet.size())];
        names.append(name);
    }
    names.removeDuplicates();
    std::shuffle(names.begin(), names.end(), random);

    const qsizetype n = names.size();
    std::vector<int> cmp(size_t(n * n));
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j) {
            cmp[size_t(i * n + j)] = sign(tl::naturalCompare(names[i], names[j]));
            ASSERT_EQ(cmp[size_t(i * n + j)] == 0, i == j) << names[i].toStdString() << " / " << names[j].toStdString();
        }
    }
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j) {
            ASSERT_EQ(cmp[size_t(i * n + j)], -cmp[size_t(j * n + i)])
                << names[i].toStdString() << " / " << names[j].toStdString();
            if (cmp[size_t(i * n + j)] >= 0)
                continue;
            for (qsizetype k = 0; k < n; ++k) {
                if (cmp[size_t(j * n + k)] < 0) {
                    ASSERT_LT(cmp[size_t(i * n + k)], 0)
                        << names[i].toStdString() << " < " << names[j].toStdString() << " < " << names[k].toStdString();
                }
            }
        }
    }
}

// A desktop: system disk, /home, /boot with its EFI partition, a USB stick, a phone card automounted
// under /run/media, a RAM disk the user made, an NFS share mounted twice, snaps, docker and the usual
// kernel file systems.

} // namespace

#include "platform/twips.h"

#include <gtest/gtest.h>

TEST(Twips, ConvertsToIntegerHalfToEvenAndRefusesOverflow)
{
    struct Row {
        double in;
        int out;
    };
    for (const Row& r : { Row { 0.5, 0 }, Row { 1.5, 2 }, Row { 2.5, 2 }, Row { -2.5, -2 }, Row { 32767.4, 32767 },
             Row { -32768.0, -32768 } })
        EXPECT_EQ(tl::toInt16(r.in), r.out) << r.in;
    EXPECT_THROW(tl::toInt16(32767.5), tl::OverflowError);
    EXPECT_THROW(tl::toInt16(-32768.6), tl::OverflowError);
    EXPECT_EQ(tl::toPixels(1572), 105);
    EXPECT_EQ(tl::toPixels(1200), 80);
}

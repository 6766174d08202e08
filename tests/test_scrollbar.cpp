#include "platform/controls.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace tl;

namespace {

// Keys and the wheel move a bar by what they mean on screen, also on a bar whose Max lies below
// its Min (shown with Min at the top or left end).
TEST(ScrollBarInput, KeysAndWheelFollowTheBarAsShown)
{
    struct Key {
        Qt::Key key;
        int delta; // towards the bottom or right end, in steps of SmallChange (10) or LargeChange (100)
    };
    const Key keys[] = { { Qt::Key_Left, -10 }, { Qt::Key_Up, -10 }, { Qt::Key_Right, 10 }, { Qt::Key_Down, 10 },
        { Qt::Key_PageUp, -100 }, { Qt::Key_PageDown, 100 } };
    for (Qt::Orientation orientation : { Qt::Horizontal, Qt::Vertical }) {
        for (bool reversed : { false, true }) {
            SCOPED_TRACE(testing::Message()
                << (orientation == Qt::Vertical ? "vertical" : "horizontal") << (reversed ? ", reversed" : ""));
            QWidget window;
            ScrollBar bar(orientation);
            bar.attach(&window);
            bar.Move(0, 0, 3000, 3000);
            bar.setMin(0);
            bar.setMax(reversed ? -1000 : 1000);
            bar.setSmallChange(10);
            bar.setLargeChange(100);
            window.show();
            const int sign = reversed ? -1 : 1;
            int changes = 0;
            bar.Change = [&] { ++changes; };
            for (const Key& k : keys) {
                bar.setValue(static_cast<Integer>(sign * 500));
                changes = 0;
                QTest::keyClick(bar.widget(), k.key);
                EXPECT_EQ(bar.Value(), sign * (500 + k.delta)) << k.key;
                EXPECT_EQ(changes, 1);
            }
            QTest::keyClick(bar.widget(), Qt::Key_End);
            EXPECT_EQ(bar.Value(), bar.Max());
            QTest::keyClick(bar.widget(), Qt::Key_Home);
            EXPECT_EQ(bar.Value(), bar.Min());

            // The wheel turned towards the user scrolls towards the bottom or right end.
            bar.setValue(static_cast<Integer>(sign * 500));
            const QPoint centre = bar.widget()->rect().center();
            QWheelEvent wheel(centre, bar.widget()->mapToGlobal(centre), {}, QPoint(0, -120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar.widget(), &wheel);
            EXPECT_GT(sign * bar.Value(), 500);
        }
    }
}

} // namespace

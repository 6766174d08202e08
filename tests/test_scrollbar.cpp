#include "platform/controls/controls.h"
#include "support.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace tl;
using namespace tl::test;

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
                bar.setValue(static_cast<Int16>(sign * 500));
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
            bar.setValue(static_cast<Int16>(sign * 500));
            const QPoint centre = bar.widget()->rect().center();
            QWheelEvent wheel(centre, bar.widget()->mapToGlobal(centre), {}, QPoint(0, -120), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(bar.widget(), &wheel);
            EXPECT_GT(sign * bar.Value(), 500);
        }
    }
}

TEST(ScrollBarControl, KeepsValueBetweenItsBoundsAndRaisesChangeOnlyWhenItMoves)
{
    struct Row {
        const char* what;
        int min, max, valueBefore, setMax, valueAfter, changes;
    };
    const Row rows[] = {
        { "a lower Max pulls Value back", 0, 5000, 3000, 1000, 1000, 1 },
        { "a higher Max keeps Value", 0, 1000, 1000, 5000, 1000, 0 },
        { "a negative Max pulls Value to Min", 0, 1000, 400, -200, 0, 1 },
        { "Max below Min keeps Value between them", 100, 100, 100, -300, 100, 0 },
    };
    for (const Row& row : rows) {
        ScrollBar bar(Qt::Horizontal);
        bar.setMin(static_cast<Int16>(row.min));
        bar.setMax(static_cast<Int16>(row.max));
        bar.setValue(static_cast<Int16>(row.valueBefore));
        int changes = 0;
        bar.Change = [&] { ++changes; };
        bar.setMax(static_cast<Int16>(row.setMax));
        EXPECT_EQ(bar.Value(), row.valueAfter) << row.what;
        EXPECT_EQ(bar.Max(), row.setMax) << row.what;
        EXPECT_EQ(bar.Min(), row.min) << row.what << ": Min stays what was set";
        EXPECT_EQ(changes, row.changes) << row.what;
    }
}

TEST(ScrollBarControl, ChangeRunsBeforeTheSetterReturns)
{
    ScrollBar bar(Qt::Vertical);
    bar.setMax(2400);
    std::vector<int> seen;
    bar.Change = [&] { seen.push_back(bar.Value()); };
    bar.setValue(1200);
    EXPECT_EQ(seen, std::vector<int> { 1200 });
    bar.setValue(1200);
    EXPECT_EQ(seen.size(), 1u) << "the same value raises nothing";
    bar.setValue(30000);
    EXPECT_EQ(bar.Value(), 2400);
    static_cast<QScrollBar*>(bar.widget())->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(seen.back(), 2400 - bar.SmallChange());
}

} // namespace

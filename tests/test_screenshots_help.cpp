#include "help/frmHelp.h"
#include "support.h"

#include <QTest>

using namespace tl;
using namespace tl::test;

// The help window with the shipped Help.txt, saved as a picture to be looked at. Runs only when
// TESSALINE_SCREENSHOT_DIR names the folder to save into, in a real X server.
TEST(Screenshots, HelpWindow)
{
    const QString folder = qEnvironmentVariable("TESSALINE_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "TESSALINE_SCREENSHOT_DIR is not set";
    Seams seams;
    applicationFolder = [] { return QStringLiteral(TESSALINE_HELP_DIR); };
    frmHelp& form = Window<frmHelp>().Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(seams.messages.isEmpty());
    EXPECT_TRUE(form.Text1.Text().contains(u'。'));
    QTest::qWait(200);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath("help_window.png");
    EXPECT_TRUE(form.grab().save(path)) << path.toStdString();
    unload<frmHelp>();
}

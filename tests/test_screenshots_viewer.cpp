#include "browser/frmBmpGet.h"
#include "support.h"
#include "viewer/frmPicture.h"

#include <QPainter>
#include <QScreen>
#include <QTest>

using namespace tl;
using namespace tl::test;

namespace {

// A picture that shows where it is: a colour ramp with a grid and the coordinates of every tile.
QImage landmarkPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient ramp(0, 0, width, height);
    ramp.setColorAt(0, QColor(250, 220, 120));
    ramp.setColorAt(1, QColor(60, 120, 200));
    painter.fillRect(image.rect(), ramp);
    painter.setPen(QPen(Qt::black, 2));
    QFont font = painter.font();
    font.setPixelSize(18);
    painter.setFont(font);
    for (int x = 0; x < width; x += 200)
        for (int y = 0; y < height; y += 200) {
            painter.drawRect(x, y, 200, 200);
            painter.drawText(x + 10, y + 30, QStringLiteral("%1, %2").arg(x).arg(y));
        }
    painter.setPen(QPen(Qt::red, 12));
    painter.drawRect(image.rect().adjusted(6, 6, -6, -6));
    return image;
}

// Only with TESSALINE_SCREENSHOT_DIR set: the picture window panned over a large picture, then fitted
// full screen, saved as PNGs in that folder for a person to look at.
TEST(Screenshots, PictureWindowPanned)
{
    const QString folder = qEnvironmentVariable("TESSALINE_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "TESSALINE_SCREENSHOT_DIR is not set";
    Seams seams;
    QTemporaryDir temp;
    ASSERT_TRUE(landmarkPicture(3000, 2000).save(temp.filePath("large.jpg")));

    frmBmpGet& form = Window<frmBmpGet>().Show();
    form.Text1.setText(temp.path() + QLatin1Char('/'));
    form.Text2.setText(QStringLiteral("large.jpg"));
    form.Command1_Click();
    frmPicture& window = *Window<frmPicture>().Instance();
    ASSERT_EQ(window.Image1.Width(), 45000);
    window.HScroll1.setValue(12000);
    window.VScroll1.setValue(9000);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    ASSERT_TRUE(QDir().mkpath(folder));
    const auto save = [&](const char* name) {
        const QString path = QDir(folder).filePath(QLatin1String(name));
        EXPECT_TRUE(window.grab().save(path)) << path.toStdString();
    };
    save("picture-window-panned.png");
    // The bars' far ends bring the picture's far corner into the viewport.
    window.HScroll1.setValue(window.HScroll1.Max());
    window.VScroll1.setValue(window.VScroll1.Max());
    QCoreApplication::processEvents();
    save("picture-window-far-corner.png");
    // Fitted and full screen, centred on the dark ground.
    window.fitToWindow();
    window.toggleFullScreen();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.geometry() == window.screen()->geometry(); }));
    QCoreApplication::processEvents();
    save("viewer-fullscreen.png");
    viewMemory() = {};
    unload<frmPicture>();
    unload<frmBmpGet>();
}

} // namespace

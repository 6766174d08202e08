// Opening a folder of 100,000 subfolders in the folder list, laid out and drawn, against
// QDir::entryList of the same folder. Between two runs the list goes up to the folder's parent, as a
// user does who comes back to it. Set TMPDIR to a tmpfs (/dev/shm) to make the folders faster.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "forms/form.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    QTemporaryDir temp;
    const QDir dir(temp.path());
    constexpr int count = 100000;
    for (int i = 0; i < count; ++i)
        dir.mkdir(QStringLiteral("folder %1").arg(count - i));

    tl::frmBmpGet& form = tl::Window<tl::frmBmpGet>().Show();
    auto open = [&](const QString& path) {
        form.Dir1.setPath(path);
        // The view lays its entries out on its next turn of the event loop: that is part of the wait.
        QCoreApplication::processEvents();
        form.Dir1.widget()->repaint();
    };
    // What the first open takes, above what the process held with the window up.
    const double idle = bench::restartPeakMemory();
    open(temp.path());
    const double opened = bench::peakMemory() - idle;
    open(QFileInfo(temp.path()).path());

    int listed = 0;
    const double ratio = bench::compare(
        "folder list of 100,000 subfolders", 5,
        [&] { listed = static_cast<int>(QDir(temp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); },
        [&] { open(temp.path()); }, [&] { open(QFileInfo(temp.path()).path()); });
    open(temp.path());
    const int shown = static_cast<QAbstractItemView*>(form.Dir1.widget())->model()->rowCount();
    std::printf("entries: folder list %d, QDir %d; target ratio 3 or less: %s\n", shown, listed,
        ratio <= 3 ? "met" : "NOT met");
    std::printf(
        "peak memory %.1f MB; the first open %.1f MB above the idle window\n", bench::peakMemory() / 1e6, opened / 1e6);
    return 0;
}

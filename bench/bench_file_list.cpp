// The file list of a folder of 20,000 picture files, against QDir::entryList of the same folder.

#include "benchutil.h"
#include "browser/frmBmpGet.h"
#include "forms/form.h"

#include <QDir>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    QTemporaryDir temp;
    const QDir dir(temp.path());
    for (int i = 0; i < 20000; ++i) {
        QFile file(
            dir.filePath(QStringLiteral("IMG_%1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(i % 4 ? "jpg" : "JPG")));
        file.open(QIODevice::WriteOnly);
    }

    tl::frmBmpGet& form = tl::Window<tl::frmBmpGet>().Show();
    const QStringList patterns = { "*.gif", "*.jpg", "*.bmp", "*.ico" };
    int listed = 0;
    const double ratio = bench::compare(
        "file list of 20,000 pictures", 15,
        [&] { listed = static_cast<int>(QDir(temp.path()).entryList(patterns, QDir::Files).size()); },
        [&] {
            form.File1.setPath(temp.path());
            form.File1.widget()->repaint();
        },
        [&] { form.File1.setPath(QDir::rootPath()); });
    form.File1.setPath(temp.path());
    std::printf("entries: file list %d, QDir %d; target ratio 3 or less: %s\n", form.File1.ListCount(), listed,
        ratio <= 3 ? "met" : "NOT met");
    std::printf("peak memory %.1f MB\n", bench::peakMemory() / 1e6);
    return 0;
}

// The first screen of a 48-megapixel photo (8000 x 6000) opened at its natural size: its 1280 x 1024
// part read and decoded on its own, against one djpeg of the whole photo timed in the same run, and
// the peak memory it takes above what the process held before. The part at the far corner, which
// passes over every row above it, is timed the same way, and so is the whole photo as the window reads it.

#include "benchutil.h"
#include "photos.h"
#include "pictures/regionread.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using bench::photo;

int main(int argc, char** argv)
{
    bench::OffscreenApp app(argc, argv);
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("photo48.jpg"));
    photo(8000, 6000).save(path, "JPG", 90);
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (djpeg.isEmpty()) {
        std::fprintf(stderr, "no djpeg to measure against\n");
        return 1;
    }
    const auto wholeDjpeg = [&] {
        QProcess::execute(djpeg, { QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path });
    };
    const QRect corners[] = { { 0, 0, 1280, 1024 }, { 8000 - 1280, 6000 - 1024, 1280, 1024 } };
    const char* names[] = { "first screen (1280x1024 at the top-left)", "1280x1024 at the bottom-right" };
    const double targets[] = { 0.3, 1.0 };
    for (int i = 0; i < 2; ++i) {
        const double before = bench::restartPeakMemory();
        bool shown = true;
        const double ratio = bench::compare(names[i], 7, wholeDjpeg, [&] {
            const tl::StdPicture part = tl::readPictureRegion(path, corners[i]).finish(nullptr);
            shown = shown && tl::regionOf(part, corners[i]).image.size() == corners[i].size();
        });
        std::printf("  against a whole djpeg: ratio %.2f (target %.1f or less)%s\n", ratio, targets[i],
            shown ? "" : ", BUT NO REGION CAME");
        if (i == 0)
            std::printf("  peak memory above the start: %.1f MB (the file held while it decodes, %.1f MB; the whole "
                        "photo decoded, %.0f MB)\n",
                (bench::peakMemory() - before) / 1e6, QFileInfo(path).size() / 1e6, 8000.0 * 6000 * 4 / 1e6);
    }
    // What the part comes before: the whole photo read and decoded by the program, as the window waits for it.
    bench::compare(
        "the whole photo read and decoded", 3, wholeDjpeg, [&] { tl::readPictureOrFailed(path).finish(nullptr); });
    return 0;
}

#pragma once

// bench_page's web pages: 24 photos of 12 megapixels as web pages serve them, WebP and then AVIF under
// .jpg names. The first page loaded into the grid is timed against the format's own decoder run on the
// same 24 files one after another in the same run (dwebp, avifdec, each writing its raw pixels to
// /dev/null), and its peak memory above idle, in a child, is given as a share of the 24 pictures
// decoded whole. The files are made from PNGs of photo-like content by cwebp and avifenc.

#include "benchutil.h"
#include "pictures/picture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <vector>

namespace bench {

// What bench_page gives the web pages: the first page of a folder loaded until every cell shows (its
// seconds), and the peak memory above idle of loading it in a child (its bytes; it prints the figure).
struct WebPageRuns {
    std::function<double(const QString& folder)> firstPage;
    std::function<double(const char* what, const QString& folder, QSize size)> pageMemory;
    std::function<QImage(int seed, QSize size)> photo;
    int rounds = 5;
};

struct WebFormat {
    const char* name;
    const char* encoder;
    const char* decoder;
    double target;
    bool avif;
};

// `count` files web00.jpg .. of `format` in `dir`, `distinct` of them encoded, the others copies.
inline QStringList writeWebPhotos(
    const QDir& dir, const WebFormat& format, int count, int distinct, QSize size, const WebPageRuns& runs)
{
    const QString encoder = QStandardPaths::findExecutable(QLatin1String(format.encoder));
    const QString source = dir.filePath(QStringLiteral("source.png"));
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("web%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        if (i >= distinct) {
            QFile::copy(files.at(i % distinct), path);
        } else {
            runs.photo(i, size).save(source, "PNG", 0);
            // avifenc tells its output by its name: it writes web.avif, which then takes the lying name.
            const QString made = format.avif ? dir.filePath(QStringLiteral("web.avif")) : path;
            const QStringList arguments = format.avif ? QStringList { QStringLiteral("-s"), QStringLiteral("10"),
                QStringLiteral("-j"), QStringLiteral("all"), QStringLiteral("-y"), QStringLiteral("420"), source, made }
                                                      : QStringList { QStringLiteral("-quiet"), QStringLiteral("-q"),
                                                            QStringLiteral("85"), source, QStringLiteral("-o"), made };
            QProcess encoding;
            encoding.start(encoder, arguments);
            if (!encoding.waitForFinished(-1) || encoding.exitCode() != 0)
                std::printf("%s could not make %s\n", format.encoder, qPrintable(path));
            if (made != path)
                QFile::rename(made, path);
        }
        files << path;
    }
    QFile::remove(source);
    return files;
}

// The format's own decoder on each file in turn, its raw pixels written to /dev/null: dwebp as PAM,
// avifdec as Y4M (which it tells by the name, so through a link of that name to /dev/null).
inline double decodeOneByOne(const WebFormat& format, const QStringList& files, const QDir& dir)
{
    const QString decoder = QStandardPaths::findExecutable(QLatin1String(format.decoder));
    const bool avif = format.avif;
    const QString sink = dir.filePath(QStringLiteral("null.y4m"));
    if (avif && !QFile::exists(sink))
        QFile::link(QStringLiteral("/dev/null"), sink);
    return seconds([&] {
        for (const QString& path : files) {
            const QStringList arguments = avif ? QStringList { path, sink }
                                               : QStringList { path, QStringLiteral("-pam"), QStringLiteral("-quiet"),
                                                     QStringLiteral("-o"), QStringLiteral("/dev/null") };
            QProcess decoding;
            decoding.setStandardOutputFile(QProcess::nullDevice());
            decoding.start(decoder, arguments);
            if (!decoding.waitForFinished(-1) || decoding.exitCode() != 0)
                std::printf("%s could not decode %s\n", format.decoder, qPrintable(path));
        }
    });
}

inline void printWebPages(const WebPageRuns& runs)
{
    const QSize size(4000, 3000);
    const WebFormat formats[]
        = { { "WebP", "cwebp", "dwebp", 0.5, false }, { "AVIF", "avifenc", "avifdec", 0.6, true } };
    for (const WebFormat& format : formats) {
        if (QStandardPaths::findExecutable(QLatin1String(format.encoder)).isEmpty()
            || QStandardPaths::findExecutable(QLatin1String(format.decoder)).isEmpty()) {
            std::printf(
                "web page, %s: %s or %s is missing; not measured\n", format.name, format.encoder, format.decoder);
            continue;
        }
        QTemporaryDir folder, tools;
        std::printf("writing 24 %s files of 4000 x 3000 named .jpg ...\n", format.name);
        const QStringList files = writeWebPhotos(QDir(folder.path()), format, 24, 6, size, runs);
        // A page whose cells stay blank would never show: the program must read the format first.
        if (tl::loadCellPicture(files.first(), QSize(105, 81)).isEmpty()) {
            std::printf("web page, %s: the program does not decode these files; not measured\n", format.name);
            continue;
        }
        std::vector<double> decoders, pages;
        for (int round = 0; round < runs.rounds; ++round) {
            decoders.push_back(decodeOneByOne(format, files, QDir(tools.path())));
            pages.push_back(runs.firstPage(folder.path()));
        }
        const double ratio = median(pages) / median(decoders);
        std::printf("web page of 24 %s, first page %8.4f s   / %s one by one %.4f s = %.3f   target %.2f %s\n",
            format.name, median(pages), format.decoder, median(decoders), ratio, format.target,
            ratio <= format.target ? "met" : "NOT met");
        const QByteArray what = QByteArray("peak memory, web page of 24 ") + format.name;
        const double memory = runs.pageMemory(what.constData(), folder.path(), size);
        const double share = memory / (24.0 * size.width() * size.height() * 4);
        std::printf("web page of 24 %s, memory above idle %.3f x 24 decoded pictures   target 0.15 %s\n", format.name,
            share, share > 0 && share <= 0.15 ? "met" : "NOT met");
    }
}

} // namespace bench

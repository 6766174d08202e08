// Reads one picture file with Qt's own image plugins, as a naive viewer would, and says what came of
// it. Run it under /usr/bin/time -v to see the time and memory a file costs:
//   /usr/bin/time -v build/read_picture FILE

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_picture FILE\n");
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    const QByteArray format = reader.format();
    QElapsedTimer timer;
    timer.start();
    const QImage image = reader.read();
    std::printf("%s: %s %dx%d in %.2f s%s%s\n", argv[1], format.constData(), image.width(), image.height(),
        timer.nsecsElapsed() / 1e9, image.isNull() ? ", failed: " : "",
        image.isNull() ? qPrintable(reader.errorString()) : "");
    return image.isNull() ? 1 : 0;
}

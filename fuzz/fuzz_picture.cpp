// Arbitrary bytes as a picture file in the folder the main window shows, taken through every road
// a picture takes in the program: chosen in the file list (the preview), loaded into the grid by
// the menu command (a cell, decoded on the loader's pool), clicked (the picture window shows the
// cell's picture at its natural size) and opened by the open command. What each road gives is
// then drawn as the windows draw it. The windows are the real ones, on the offscreen platform.

#include "browser/frmBmpGet.h"
#include "forms/fonts.h"
#include "forms/form.h"
#include "pictures/animation.h"
#include "platform/services.h"
#include "viewer/frmPicture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tl;

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "picture roads: %s\n", what);
    std::abort();
}

// The decoders pick a handler by the name's suffix first: the input's length picks the suffix,
// so that every suffix gets its share. Each input gets a name of its own, so that a picture the
// grid keeps from an earlier input of the same length is never taken for this one.
QString nameFor(std::size_t size)
{
    static const char* const suffixes[] = { "bmp", "jpg", "gif", "ico" };
    static int inputs = 0;
    return QStringLiteral("input%1.%2").arg(++inputs).arg(QLatin1String(suffixes[size % std::size(suffixes)]));
}

void draw(QWidget* widget)
{
    QImage canvas(widget->size(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    widget->render(&canvas);
}

struct Roads {
    QTemporaryDir folder;
    QString lastName;
    frmBmpGet* form = nullptr;

    Roads()
    {
        MsgBox = [](const QString& text) { std::fprintf(stderr, "message box: %s\n", qPrintable(text)); };
        endProgram = [](int) { fail("the program ended on an unexpected error"); };
        setUpFonts();
        form = &Window<frmBmpGet>().Show();
        if (!folder.isValid() || !form->Dir1.openFolder(folder.path()))
            fail("no folder to work in");
    }

    // The folder holds the input alone.
    void putFile(const QByteArray& bytes)
    {
        const QString name = nameFor(std::size_t(bytes.size()));
        if (!lastName.isEmpty())
            QFile::remove(folder.filePath(lastName));
        lastName = name;
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            fail("cannot write the input");
    }

    void run(const QByteArray& bytes)
    {
        putFile(bytes);
        form->File1.Refresh();
        if (form->File1.ListCount() != 1)
            fail("the file list does not show the input alone");
        form->File1.setListIndex(0); // the preview
        form->mnuCget_Click(); // a page of one cell
        form->Image2_Click(0); // the cell's picture at its natural size
        frmPicture* window = Window<frmPicture>().Instance();
        if (!window)
            fail("no picture window after a click on a cell");
        draw(form->Picture1.widget());
        draw(form->Image1[0].widget());
        draw(window->Picture1.widget());
        form->Command1_Click(); // the same file through the open command
        draw(window->Picture1.widget());
        // A decode that outlasted a road's wait ends within this input, so that what it reaches
        // counts for this input and the next one starts afresh.
        form->thumbnails.waitForAll();
        // An animated GIF's frames as the picture window plays them, a few plays' worth.
        GifFrames frames(bytes);
        for (int i = 0; i < 64 && !frames.next().image.isNull(); ++i) { }
    }
};

Roads* roads = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    // The decoders warn about every broken file: thousands a second would drown the fuzzer's own lines.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static std::vector<char*> args { (*argv)[0] };
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    args.insert(args.end(), { platform, offscreen });
    static int qtArgc = int(args.size());
    new QApplication(qtArgc, args.data());
    roads = new Roads;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    roads->run(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}

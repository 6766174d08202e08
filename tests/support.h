#pragma once

// Shared fixtures: the platform's seams replaced from C++, fake drives, pictures made on the spot.

#include "forms/form.h"
#include "platform/controls/controls.h"
#include "platform/files/drives.h"
#include "platform/services.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QMutex>
#include <QScrollBar>
#include <QStringList>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// A list of names as gtest prints it in full.
inline std::vector<std::string> toStd(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

// Failures print Japanese texts and paths as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tl::test {

// What the main window's status bar says while and after it loads the grid.
inline const QString Loading = QStringLiteral("ただいま画像の読み込み中です");
inline const QString Reloading = QStringLiteral("画像の読み込み中です");
inline const QString NoPictures = QStringLiteral("ここには画像がありません。");
inline const QString AllShown = QStringLiteral("表示完了");
inline const QString MoreToScroll = QStringLiteral("表示ＯＫ");

// Drives at folders of the tests. Like the real source, the list leaves out a root that has gone, is
// no longer a folder or cannot be read by this user; a root taken out of `roots` is unmounted.
struct FakeDrives : DriveSource {
    QStringList roots;
    QMap<QString, DriveStatus> status;
    QStringList drives() override
    {
        QStringList listed;
        for (const QString& root : roots) {
            const QFileInfo folder(root);
            if (status.value(root) != DriveStatus::Gone && folder.isDir() && folder.isReadable()
                && folder.isExecutable())
                listed << root;
        }
        return listed;
    }
    DriveStatus probe(const QString& root) override { return status.value(root, DriveStatus::Ready); }
};

// Records message boxes and ends of the program instead of showing and ending.
class Seams {
public:
    Seams()
        : savedBox_(MsgBox)
        , savedEnd_(endProgram)
        , savedFolder_(applicationFolder)
        , savedDrives_(driveSource)
        , drives(std::make_shared<FakeDrives>())
    {
        MsgBox = [this](const QString& text) { messages << text; };
        endProgram = [this](int status) {
            ++ends;
            endStatus = status;
        };
        drives->roots << QStringLiteral("/");
        driveSource = drives;
        forgetDrives();
    }
    ~Seams()
    {
        MsgBox = savedBox_;
        endProgram = savedEnd_;
        applicationFolder = savedFolder_;
        driveSource = savedDrives_;
        forgetDrives();
    }
    QStringList messages;
    int ends = 0;
    int endStatus = -1;

private:
    std::function<void(const QString&)> savedBox_;
    std::function<void(int)> savedEnd_;
    std::function<QString()> savedFolder_;
    std::shared_ptr<DriveSource> savedDrives_;

public:
    std::shared_ptr<FakeDrives> drives;
};

// Keeps what is logged while it lives (from any thread) instead of printing it.
class LogCapture {
public:
    LogCapture()
    {
        QMutexLocker lock(&mutex_);
        current_ = this;
        previous_ = qInstallMessageHandler(keep);
    }
    ~LogCapture()
    {
        QMutexLocker lock(&mutex_);
        qInstallMessageHandler(previous_);
        current_ = nullptr;
    }

    // The messages of this type, in any of these categories, that contain every one of `parts`.
    int count(QtMsgType type, const QStringList& categories, const QStringList& parts) const
    {
        QMutexLocker lock(&mutex_);
        return int(std::count_if(kept_.begin(), kept_.end(), [&](const Kept& m) {
            const auto in = [&m](const QString& part) { return m.text.contains(part); };
            return m.type == type && categories.contains(m.category) && std::all_of(parts.begin(), parts.end(), in);
        }));
    }

private:
    struct Kept {
        QtMsgType type;
        QString category;
        QString text;
    };
    static void keep(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        QMutexLocker lock(&mutex_);
        if (current_)
            current_->kept_.push_back({ type, QString::fromLatin1(context.category), text });
    }
    static inline QMutex mutex_;
    static inline LogCapture* current_ = nullptr;
    std::vector<Kept> kept_;
    QtMessageHandler previous_ = nullptr;
};

// Lets windows closed during a test be destroyed.
inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

template <class T> void unload()
{
    if (T* form = Window<T>().Instance())
        form->Unload();
    flushDeletes();
}

// A picture file written by Qt in the format its suffix names.
inline QString writePicture(const QDir& dir, const QString& name, int width, int height, QColor color = Qt::red)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    const QString path = dir.filePath(name);
    const QByteArray suffix = QFileInfo(name).suffix().toLower().toLatin1();
    EXPECT_TRUE(image.save(path, suffix.isEmpty() ? "BMP" : suffix.constData())) << path.toStdString();
    return path;
}

// Qt writes no GIF: a 1 x 1 one, byte by byte.
inline QByteArray tinyGif()
{
    return QByteArray::fromHex("47494638396101000100800000000000ffffff2c00000000010001000002024401003b");
}

inline QString writeBytes(const QDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

inline // The centre of one part of a scroll bar (an arrow, the trough beside the thumb, the thumb).
    QPoint
    partOf(const ScrollBar& bar, QStyle::SubControl part)
{
    auto* scroll = static_cast<QScrollBar*>(bar.widget());
    QStyleOptionSlider option;
    option.initFrom(scroll);
    option.orientation = scroll->orientation();
    option.minimum = scroll->minimum();
    option.maximum = scroll->maximum();
    option.sliderPosition = scroll->sliderPosition();
    option.sliderValue = scroll->value();
    option.singleStep = scroll->singleStep();
    option.pageStep = scroll->pageStep();
    return scroll->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, scroll).center();
}

// A field of /proc/self/status given in kB ("VmRSS:", "VmHWM:"); -1 where there is none.
inline qint64 statusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Starts the process's peak memory afresh from what it holds now; whether the system can.
inline bool restartPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace tl::test

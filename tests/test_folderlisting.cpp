#include "platform/files/drives.h"
#include "platform/files/filenames.h"
#include "platform/files/folderlisting.h"
#include "support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

#ifndef _WIN32

void makeFile(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("x");
}

class Listing : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path();
        for (const char16_t* name : { u"a.BMP", u"b.jpg", u"c.Gif", u"d.ico", u"e.png", u".hidden.jpg", u"notes.txt",
                 u"x.jpg.txt", u"jpg", u"photo 3.jpg", u"写真1.jpg", u"写真10.jpg", u"写真2.jpg", u"bad\uFFFD.jpg" })
            makeFile(path(QString::fromUtf16(name)));
        for (const char16_t* name : { u"dir.jpg", u"sub", u"sub2", u"Sub10", u".hiddendir", u"写真" })
            ASSERT_TRUE(QDir(root).mkdir(QString::fromUtf16(name)));
        link("b.jpg", "link.jpg");
        link("b.jpg", ".hiddenlink.jpg");
        link("missing.jpg", "dangling.jpg");
        link("dir.jpg", "dirlink.jpg");
        link("missing", "danglingdir");
        ASSERT_EQ(::mkfifo(bytes("pipe.jpg").constData(), 0644), 0);

        const QByteArray socketPath = bytes("sock.jpg");
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        ASSERT_LT(size_t(socketPath.size()), sizeof(address.sun_path));
        std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
        socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(socketFd, 0);
        ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

        // Not UTF-8 and no Shift-JIS either: listed with the byte kept, shown as bad\uFFFD.jpg beside the
        // UTF-8 name that reads the same.
        const int fd = ::open(bytes("bad\xff.jpg").constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }

    void TearDown() override
    {
        if (socketFd >= 0)
            ::close(socketFd);
        // QTemporaryDir looks for every name by its UTF-8.
        ::unlink(bytes("bad\xff.jpg").constData());
    }

    QString path(const QString& name) const { return root + u'/' + name; }
    QByteArray bytes(const char* name) const { return QFile::encodeName(root) + '/' + name; }
    void link(const char* target, const char* name)
    {
        ASSERT_EQ(::symlink(target, bytes(name).constData()), 0) << name;
    }

    QTemporaryDir tmp;
    QString root;
    int socketFd = -1;
};

TEST_F(Listing, ListsMatchingRegularFilesInNaturalOrder)
{
    struct Row {
        QStringList patterns;
        std::vector<std::string> names;
    };
    const std::vector<std::string> allFiles = { "a.BMP", "b.jpg", "bad\uFFFD.jpg", "bad\uFFFD.jpg", "c.Gif", "d.ico",
        "e.png", "jpg", "link.jpg", "notes.txt", "photo 3.jpg", "x.jpg.txt", "写真1.jpg", "写真2.jpg", "写真10.jpg" };
    const Row rows[] = {
        { { "*.bmp", "*.jpg", "*.gif", "*.ico" },
            { "a.BMP", "b.jpg", "bad\uFFFD.jpg", "bad\uFFFD.jpg", "c.Gif", "d.ico", "link.jpg", "photo 3.jpg",
                "写真1.jpg", "写真2.jpg", "写真10.jpg" } },
        { { "*.PNG" }, { "e.png" } },
        { { "*.txt" }, { "notes.txt", "x.jpg.txt" } },
        { { "*jpg" },
            { "b.jpg", "bad\uFFFD.jpg", "bad\uFFFD.jpg", "jpg", "link.jpg", "photo 3.jpg", "写真1.jpg", "写真2.jpg",
                "写真10.jpg" } },
        { { "?.png", "写真1*" }, { "e.png", "写真1.jpg", "写真10.jpg" } },
        { { "[ab].*" }, { "a.BMP", "b.jpg" } },
        { { "B.JPG" }, { "b.jpg" } },
        { { "*.tif" }, {} },
        { { "*" }, allFiles },
        { {}, allFiles },
    };
    for (const Row& row : rows) {
        bool ok = false;
        QStringList shown = tl::listFiles(root, row.patterns, &ok);
        for (QString& name : shown)
            name = tl::shownFileName(name);
        EXPECT_EQ(toStd(shown), row.names) << row.patterns.join(' ').toStdString();
        EXPECT_TRUE(ok);
    }
}

TEST_F(Listing, ListsSubfoldersInNaturalOrder)
{
    bool ok = false;
    EXPECT_EQ(toStd(tl::listSubfolders(root, &ok)),
        (std::vector<std::string> { "dir.jpg", "dirlink.jpg", "sub", "sub2", "Sub10", "写真" }));
    EXPECT_TRUE(ok);
    ok = false;
    EXPECT_TRUE(tl::listSubfolders(path(u"sub"_s), &ok).isEmpty());
    EXPECT_TRUE(ok) << "an empty folder is no failure";
}

TEST_F(Listing, FolderThatCannotBeListedFails)
{
    const tl::test::LogCapture log;
    for (const QString& folder :
        { path(u"missing"_s), path(u"b.jpg"_s), path(u"b.jpg/x"_s), path(u"dangling.jpg"_s), QString() }) {
        bool ok = true;
        EXPECT_TRUE(tl::listFiles(folder, { u"*.jpg"_s }, &ok).isEmpty()) << folder.toStdString();
        EXPECT_FALSE(ok) << folder.toStdString();
        ok = true;
        EXPECT_TRUE(tl::listSubfolders(folder, &ok).isEmpty()) << folder.toStdString();
        EXPECT_FALSE(ok) << folder.toStdString();
    }
    EXPECT_EQ(log.count(QtWarningMsg, { "tessaline.files" }, { path(u"missing"_s), qt_error_string(ENOENT) }), 2);
    bool ok = true;
    {
        // A listing nobody waits for any more stops unfinished, which is no failure to tell.
        const tl::test::LogCapture quiet;
        const std::atomic<bool> cancelled = true;
        EXPECT_TRUE(tl::listFiles(root, {}, &ok, &cancelled).isEmpty());
        EXPECT_FALSE(ok);
        EXPECT_EQ(quiet.count(QtWarningMsg, { "tessaline.files" }, {}), 0);
    }
    makeFile(path(u"dir.jpg/inside.jpg"_s));
    ok = false;
    EXPECT_EQ(toStd(tl::listFiles(path(u"dirlink.jpg"_s), {}, &ok)), std::vector<std::string> { "inside.jpg" })
        << "a link to a folder lists like the folder";
    EXPECT_TRUE(ok);
}

TEST_F(Listing, UnreadableFolderFails)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads folders whatever their permissions";
    const QString locked = path(u"sub2"_s);
    makeFile(locked + u"/in.jpg"_s);
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    const tl::test::LogCapture log;
    bool filesOk = true;
    bool foldersOk = true;
    EXPECT_TRUE(tl::listFiles(locked, {}, &filesOk).isEmpty());
    EXPECT_TRUE(tl::listSubfolders(locked, &foldersOk).isEmpty());
    EXPECT_EQ(tl::probeDrive(locked), tl::DriveStatus::Unreadable);
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    EXPECT_FALSE(filesOk);
    EXPECT_FALSE(foldersOk);
    // Each failure is logged with the folder and the reason: the lists, the drive probe.
    EXPECT_EQ(log.count(QtWarningMsg, { "tessaline.files" }, { locked, qt_error_string(EACCES) }), 3);
}

TEST_F(Listing, ProbesDrives)
{
    struct Row {
        QString root;
        tl::DriveStatus state;
    };
    const Row rows[] = {
        { root, tl::DriveStatus::Ready },
        { path(u"dirlink.jpg"_s), tl::DriveStatus::Ready },
        { path(u"missing"_s), tl::DriveStatus::Gone },
        { path(u"danglingdir"_s), tl::DriveStatus::Gone },
        { path(u"b.jpg"_s), tl::DriveStatus::Gone },
        { path(u"b.jpg/x"_s), tl::DriveStatus::Gone },
        { QString(), tl::DriveStatus::Gone },
    };
    for (const Row& row : rows)
        EXPECT_EQ(tl::probeDrive(row.root), row.state) << row.root.toStdString();
}

#endif

} // namespace

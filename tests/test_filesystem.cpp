#include "platform/filesystem.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

std::vector<std::string> toStd(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

std::vector<std::string> toStd(const std::vector<tl::MountedDrive>& drives)
{
    std::vector<std::string> out;
    for (const tl::MountedDrive& d : drives)
        out.push_back((d.root + u'|' + d.device + u'|' + d.fsType).toStdString());
    return out;
}

int sign(int v) { return (v > 0) - (v < 0); }

// Ascending natural order.
const QStringList NaturallySorted = {
    u""_s,
    u" "_s,
    u"-1"_s,
    u".5"_s,
    u"0"_s,
    u"00"_s, // same value, more leading zeros
    u"1"_s,
    u"01"_s,
    u"001"_s,
    u"1a"_s,
    u"2"_s,
    u"２"_s, // full-width digits count by value, after the ASCII ones of the same number
    u"9"_s,
    u"９"_s,
    u"10"_s,
    u"1０"_s,
    u"１０"_s,
    u"010"_s,
    u"99"_s,
    u"100"_s,
    u"18446744073709551615"_s, // largest 64-bit value
    u"18446744073709551616"_s, // one more
    u"100000000000000000000000"_s,
    u"0100000000000000000000000"_s,
    u"_"_s, // below the letters when case folds down, above them if it folded up
    u"A"_s,
    u"a"_s,
    u"a b"_s,
    u"a.jpg"_s,
    u"a0"_s,
    u"a1"_s,
    u"a01"_s,
    u"a01b"_s, // a later letter outweighs an earlier leading zero
    u"a1c"_s,
    u"a2"_s,
    u"a10"_s,
    u"file"_s,
    u"file 2"_s,
    u"file-1"_s,
    u"file.1"_s,
    u"file1"_s,
    u"file_1"_s,
    u"img2"_s,
    u"img10"_s,
    u"IMG11"_s,
    u"img11"_s,
    u"K"_s,
    u"k"_s,
    u"\u212A"_s, // KELVIN SIGN folds to k
    u"l"_s,
    u"x1y002"_s, // the first run of leading zeros decides
    u"x01y02"_s,
    u"zebra"_s,
    u"Äpfel"_s,
    u"äpfel"_s,
    u"写真1.jpg"_s,
    u"写真2.jpg"_s,
    u"写真２.jpg"_s,
    u"写真９.jpg"_s,
    u"写真10.jpg"_s,
    u"写真１０.jpg"_s,
    u"写真１１.jpg"_s,
};

TEST(NaturalOrder, SortsTheTableUnderEveryLocale)
{
    const QLocale saved;
    for (const QLocale& locale : { QLocale::c(), QLocale(QLocale::Turkish, QLocale::Turkey),
             QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::Swedish, QLocale::Sweden) }) {
        QLocale::setDefault(locale);
        for (qsizetype i = 0; i < NaturallySorted.size(); ++i) {
            for (qsizetype j = 0; j < NaturallySorted.size(); ++j) {
                const QString& a = NaturallySorted[i];
                const QString& b = NaturallySorted[j];
                EXPECT_EQ(sign(tl::naturalCompare(a, b)), sign(int(i - j)))
                    << locale.name().toStdString() << ": \"" << a.toStdString() << "\" vs \"" << b.toStdString() << '"';
                EXPECT_EQ(tl::naturalLess(a, b), i < j);
            }
        }
        QStringList shuffled = NaturallySorted;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
        std::sort(
            shuffled.begin(), shuffled.end(), [](const QString& a, const QString& b) { return tl::naturalLess(a, b); });
        EXPECT_EQ(toStd(shuffled), toStd(NaturallySorted)) << locale.name().toStdString();
    }
    QLocale::setDefault(saved);
}

// Random names built from characters that meet at the edges of the rules: digits against the
// punctuation below and above them, letters that fold, leading zeros.
TEST(NaturalOrder, IsAStrictTotalOrderOnRandomNames)
{
    const QString alphabet = u"0019０１９aAbB._ äÄ\u212A"_s;
    std::mt19937 random(2024);
    QStringList names = NaturallySorted;
    while (names.size() < 140) {
        QString name;
        const int length = int(random() % 7);
        for (int k = 0; k < length; ++k)
            name += alphabet[qsizetype(random() % alphabet.size())];
        names.append(name);
    }
    names.removeDuplicates();
    std::shuffle(names.begin(), names.end(), random);

    const qsizetype n = names.size();
    std::vector<int> cmp(size_t(n * n));
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j) {
            cmp[size_t(i * n + j)] = sign(tl::naturalCompare(names[i], names[j]));
            ASSERT_EQ(cmp[size_t(i * n + j)] == 0, i == j) << names[i].toStdString() << " / " << names[j].toStdString();
        }
    }
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < n; ++j) {
            ASSERT_EQ(cmp[size_t(i * n + j)], -cmp[size_t(j * n + i)])
                << names[i].toStdString() << " / " << names[j].toStdString();
            if (cmp[size_t(i * n + j)] >= 0)
                continue;
            for (qsizetype k = 0; k < n; ++k) {
                if (cmp[size_t(j * n + k)] < 0) {
                    ASSERT_LT(cmp[size_t(i * n + k)], 0)
                        << names[i].toStdString() << " < " << names[j].toStdString() << " < " << names[k].toStdString();
                }
            }
        }
    }
}

// A desktop: system disk, /home, /boot with its EFI partition, a USB stick, a phone card automounted
// under /run/media, a RAM disk the user made, an NFS share mounted twice, snaps, docker and the usual
// kernel file systems.
const QByteArray DesktopMountInfo = R"(22 1 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:13 - proc proc rw
21 1 0:20 / /sys rw,nosuid,nodev,noexec,relatime shared:7 - sysfs sysfs rw
23 1 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8138240k,nr_inodes=2034560,mode=755,inode64
24 23 0:22 / /dev/pts rw,nosuid,noexec,relatime shared:3 - devpts devpts rw,gid=5,mode=620,ptmxmode=000
25 1 0:23 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1634436k,mode=755,inode64
44 26 259:3 / /home rw,relatime shared:24 - ext4 /dev/nvme0n1p3 rw
26 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw,errors=remount-ro
27 21 0:6 / /sys/kernel/security rw,nosuid,nodev,noexec,relatime shared:8 - securityfs securityfs rw
28 23 0:24 / /dev/shm rw,nosuid,nodev shared:4 - tmpfs tmpfs rw,inode64
29 25 0:25 / /run/lock rw,nosuid,nodev,noexec,relatime shared:6 - tmpfs tmpfs rw,size=5120k,inode64
30 21 0:26 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:9 - cgroup2 cgroup2 rw,nsdelegate
31 21 0:27 / /sys/fs/pstore rw,nosuid,nodev,noexec,relatime shared:10 - pstore pstore rw
32 21 0:28 / /sys/firmware/efi/efivars rw,nosuid,nodev,noexec,relatime shared:11 - efivarfs efivarfs rw
33 21 0:29 / /sys/fs/bpf rw,nosuid,nodev,noexec,relatime shared:12 - bpf bpf rw,mode=700
34 22 0:30 / /proc/sys/fs/binfmt_misc rw,relatime shared:14 - autofs systemd-1 rw,fd=29,pgrp=1,timeout=0,direct
35 23 0:19 / /dev/mqueue rw,nosuid,nodev,noexec,relatime shared:15 - mqueue mqueue rw
36 23 0:31 / /dev/hugepages rw,relatime shared:16 - hugetlbfs hugetlbfs rw,pagesize=2M
37 21 0:7 / /sys/kernel/debug rw,nosuid,nodev,noexec,relatime shared:17 - debugfs debugfs rw
38 21 0:12 / /sys/kernel/tracing rw,nosuid,nodev,noexec,relatime shared:18 - tracefs tracefs rw
39 21 0:32 / /sys/fs/fuse/connections rw,nosuid,nodev,noexec,relatime shared:19 - fusectl fusectl rw
40 21 0:33 / /sys/kernel/config rw,nosuid,nodev,noexec,relatime shared:20 - configfs configfs rw
41 26 0:34 / /tmp rw,nosuid,nodev shared:21 - tmpfs tmpfs rw,nr_inodes=1048576,inode64
42 26 259:4 / /boot rw,relatime shared:22 - ext4 /dev/nvme0n1p4 rw
43 42 259:1 / /boot/efi rw,relatime shared:23 - vfat /dev/nvme0n1p1 rw,fmask=0077,dmask=0077,codepage=437
45 26 7:0 / /snap/core22/1122 ro,nodev,relatime shared:25 - squashfs /dev/loop0 ro,errors=continue
46 26 7:1 / /var/lib/snapd/snap/gimp/393 ro,nodev,relatime shared:26 - squashfs /dev/loop1 ro,errors=continue
47 26 0:35 / /mnt/nas rw,relatime shared:27 master:3 - nfs4 192.168.1.10:/export/photos rw,vers=4.2,addr=192.168.1.10
48 25 0:36 / /run/user/1000 rw,nosuid,nodev,relatime shared:28 - tmpfs tmpfs rw,size=1634432k,mode=700,uid=1000
49 48 0:37 / /run/user/1000/gvfs rw,nosuid,nodev,relatime shared:29 - fuse.gvfsd-fuse gvfsd-fuse rw,user_id=1000
50 48 0:38 / /run/user/1000/doc rw,nosuid,nodev,relatime shared:30 - fuse.portal portal rw,user_id=1000
51 26 8:17 / /media/user/MY\040STICK rw,nosuid,nodev,relatime shared:31 - vfat /dev/sdb1 rw,uid=1000,gid=1000
52 26 0:39 / /var/lib/docker/overlay2/3f2a/merged rw,relatime shared:32 - overlay overlay rw,lowerdir=/var/lib/docker/overlay2/l/A
53 25 0:4 net:[4026532572] /run/docker/netns/1c2d rw shared:33 - nsfs nsfs rw
54 26 0:40 / /media/user/ramdisk rw,relatime shared:34 - tmpfs tmpfs rw,size=2097152k
55 25 8:33 / /run/media/user/Photos\040\0402024 rw,nosuid,nodev,relatime - exfat /dev/sdc1 rw,uid=1000
56 26 259:3 /srv /srv rw,relatime shared:24 - ext4 /dev/nvme0n1p3 rw
57 26 8:49 / /mnt/back\134slash rw,relatime shared:35 - ext4 /dev/sdd1 rw

garbage
58 26 8:50 / /mnt/no-separator rw,relatime shared:36 ext4 /dev/sdd2 rw
59 26 0:41 / /mnt/nas rw,relatime shared:37 - nfs4 nas.local:/photos rw,vers=4.2
)";

// Inside a container the root is an overlay and single files are bind-mounted over /etc. The file
// mounts cannot be told from folders here; mountedDrives() drops them when it checks the roots.
const QByteArray ContainerMountInfo
    = R"(600 500 0:50 / / rw,relatime master:300 - overlay overlay rw,lowerdir=/var/lib/docker/overlay2/l/ABC,upperdir=/var/lib/docker/overlay2/123/diff
601 600 0:52 / /proc rw,nosuid,nodev,noexec,relatime - proc proc rw
602 600 0:53 / /dev rw,nosuid - tmpfs tmpfs rw,size=65536k,mode=755
603 602 0:54 / /dev/pts rw,nosuid,noexec,relatime - devpts devpts rw,gid=5,mode=620,ptmxmode=666
604 600 0:55 / /sys ro,nosuid,nodev,noexec,relatime - sysfs sysfs ro
605 604 0:30 / /sys/fs/cgroup ro,nosuid,nodev,noexec,relatime - cgroup2 cgroup rw
606 602 0:56 / /dev/shm rw,nosuid,nodev,noexec,relatime - tmpfs shm rw,size=65536k
607 600 254:1 /var/lib/docker/containers/abc/resolv.conf /etc/resolv.conf rw,relatime - ext4 /dev/vda1 rw
608 600 254:1 /home/user/photos /photos rw,relatime - ext4 /dev/vda1 rw
)";

TEST(MountInfo, KeepsTheDrivesAUserBrowses)
{
    struct Row {
        const char* name;
        QByteArray text;
        std::vector<std::string> drives;
    };
    const Row rows[] = {
        { "desktop", DesktopMountInfo,
            {
                "/|/dev/nvme0n1p2|ext4",
                "/boot|/dev/nvme0n1p4|ext4",
                "/home|/dev/nvme0n1p3|ext4",
                "/media/user/MY STICK|/dev/sdb1|vfat",
                "/media/user/ramdisk|tmpfs|tmpfs",
                "/mnt/back\\slash|/dev/sdd1|ext4",
                "/mnt/nas|nas.local:/photos|nfs4",
                "/run/media/user/Photos  2024|/dev/sdc1|exfat",
                "/srv|/dev/nvme0n1p3|ext4",
            } },
        { "container", ContainerMountInfo,
            { "/|overlay|overlay", "/etc/resolv.conf|/dev/vda1|ext4", "/photos|/dev/vda1|ext4" } },
        { "empty", QByteArray(), {} },
    };
    for (const Row& row : rows)
        EXPECT_EQ(toStd(tl::parseMountInfo(row.text)), row.drives) << row.name;
}

TEST(MountInfo, DecidesEachMountByTypeAndPlace)
{
    struct Row {
        const char* type;
        const char* mountPoint;
        const char* source;
        bool kept;
    };
    const Row rows[] = {
        { "ext4", "/data", "/dev/sda1", true },
        { "ext4", "/sysroot", "/dev/sda1", true }, // not under /sys
        { "ext4", "/running", "/dev/sda1", true }, // not under /run
        { "ext4", "/run/mount/x", "/dev/sda1", false },
        { "ext4", "/run/media/u/x", "/dev/sda1", true },
        { "ext4", "/dev/x", "/dev/sda1", false },
        { "ext4", "/snap/x", "/dev/sda1", false },
        { "ext4", "/proc/x", "/dev/sda1", false },
        { "vfat", "/boot/efi", "/dev/sda1", false },
        { "ext4", "/boot", "/dev/sda2", true },
        { "overlay", "/var/lib/docker/overlay2/x/merged", "overlay", false },
        { "tmpfs", "/tmp", "tmpfs", false },
        { "tmpfs", "/dev/shm", "tmpfs", false },
        { "tmpfs", "/media/u/ram", "tmpfs", true },
        { "tmpfs", "/mnt/ram", "tmpfs", true },
        { "tmpfs", "/run/media/u/ram", "tmpfs", true },
        { "tmpfs", "/run/user/1000", "tmpfs", false },
        { "squashfs", "/snap/core/1", "/dev/loop0", false },
        { "squashfs", "/mnt/x", "/var/lib/snapd/snaps/core_1.snap", false },
        { "squashfs", "/media/u/live", "/dev/loop3", true },
        { "fuseblk", "/media/u/Windows", "/dev/sda3", true },
        { "fuse.sshfs", "/home/u/remote", "u@host:", true },
        { "nfs", "/mnt/share", "server:/export", true },
        { "cifs", "/mnt/smb", "//server/share", true },
    };
    for (const Row& row : rows) {
        const QByteArray line
            = QByteArray("1 0 8:1 / ") + row.mountPoint + " rw - " + row.type + ' ' + row.source + " rw";
        EXPECT_EQ(tl::parseMountInfo(line).size(), row.kept ? 1u : 0u) << line.constData();
    }
    for (const char* type : { "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "pstore", "bpf",
             "debugfs", "tracefs", "mqueue", "hugetlbfs", "fusectl", "configfs", "autofs", "binfmt_misc", "rpc_pipefs",
             "nsfs", "efivarfs", "selinuxfs", "ramfs", "fuse.gvfsd-fuse", "fuse.portal" }) {
        const QByteArray line = QByteArray("1 0 0:9 / /mnt/x rw shared:1 - ") + type + " none rw";
        EXPECT_TRUE(tl::parseMountInfo(line).empty()) << type;
    }
}

TEST(Drives, DriveOfIsTheLongestRootAtAFolderBoundary)
{
    const std::vector<tl::MountedDrive> drives = { { u"/"_s, {}, {} }, { u"/home"_s, {}, {} },
        { u"/media/usb"_s, {}, {} }, { u"/media/usb2"_s, {}, {} }, { u"/media/user/MY STICK"_s, {}, {} } };
    const std::vector<tl::MountedDrive> onlyStick = { { u"/media/usb"_s, {}, {} } };
    struct Row {
        const std::vector<tl::MountedDrive>& drives;
        QString path;
        QString root;
    };
    const Row rows[] = {
        { drives, u"/media/usb/DCIM/a.jpg"_s, u"/media/usb"_s },
        { drives, u"/media/usb"_s, u"/media/usb"_s },
        { drives, u"/media/usb/"_s, u"/media/usb"_s },
        { drives, u"/media/usb2/x.jpg"_s, u"/media/usb2"_s },
        { drives, u"/media/us"_s, u"/"_s },
        { drives, u"/media/usbx/y.jpg"_s, u"/"_s },
        { drives, u"/media/user/MY STICK/写真1.jpg"_s, u"/media/user/MY STICK"_s },
        { drives, u"/media/usb/../usb2/x.jpg"_s, u"/media/usb2"_s },
        { drives, u"/homework/a.jpg"_s, u"/"_s },
        { drives, u"/home/user/a.jpg"_s, u"/home"_s },
        { drives, u"/"_s, u"/"_s },
        { drives, u"relative/a.jpg"_s, QString() },
        { drives, QString(), QString() },
        { onlyStick, u"/etc/hosts"_s, QString() },
    };
    for (const Row& row : rows)
        EXPECT_EQ(tl::driveOf(row.drives, row.path).toStdString(), row.root.toStdString()) << row.path.toStdString();
}

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

        // Not UTF-8: no QString names this file, so it cannot be listed (it would pose as bad\uFFFD.jpg).
        const int fd = ::open(bytes("bad\xff.jpg").constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }

    void TearDown() override
    {
        if (socketFd >= 0)
            ::close(socketFd);
        // QTemporaryDir cannot remove a name that has no QString.
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
    const std::vector<std::string> allFiles = { "a.BMP", "b.jpg", "bad\uFFFD.jpg", "c.Gif", "d.ico", "e.png", "jpg",
        "link.jpg", "notes.txt", "photo 3.jpg", "x.jpg.txt", "写真1.jpg", "写真2.jpg", "写真10.jpg" };
    const Row rows[] = {
        { { "*.bmp", "*.jpg", "*.gif", "*.ico" },
            { "a.BMP", "b.jpg", "bad\uFFFD.jpg", "c.Gif", "d.ico", "link.jpg", "photo 3.jpg", "写真1.jpg", "写真2.jpg",
                "写真10.jpg" } },
        { { "*.PNG" }, { "e.png" } },
        { { "*.txt" }, { "notes.txt", "x.jpg.txt" } },
        { { "*jpg" },
            { "b.jpg", "bad\uFFFD.jpg", "jpg", "link.jpg", "photo 3.jpg", "写真1.jpg", "写真2.jpg", "写真10.jpg" } },
        { { "?.png", "写真1*" }, { "e.png", "写真1.jpg", "写真10.jpg" } },
        { { "[ab].*" }, { "a.BMP", "b.jpg" } },
        { { "B.JPG" }, { "b.jpg" } },
        { { "*.tif" }, {} },
        { { "*" }, allFiles },
        { {}, allFiles },
    };
    for (const Row& row : rows) {
        bool ok = false;
        EXPECT_EQ(toStd(tl::listFiles(root, row.patterns, &ok)), row.names) << row.patterns.join(' ').toStdString();
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
    for (const QString& folder :
        { path(u"missing"_s), path(u"b.jpg"_s), path(u"b.jpg/x"_s), path(u"dangling.jpg"_s), QString() }) {
        bool ok = true;
        EXPECT_TRUE(tl::listFiles(folder, { u"*.jpg"_s }, &ok).isEmpty()) << folder.toStdString();
        EXPECT_FALSE(ok) << folder.toStdString();
        ok = true;
        EXPECT_TRUE(tl::listSubfolders(folder, &ok).isEmpty()) << folder.toStdString();
        EXPECT_FALSE(ok) << folder.toStdString();
    }
    makeFile(path(u"dir.jpg/inside.jpg"_s));
    bool ok = false;
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
    bool filesOk = true;
    bool foldersOk = true;
    EXPECT_TRUE(tl::listFiles(locked, {}, &filesOk).isEmpty());
    EXPECT_TRUE(tl::listSubfolders(locked, &foldersOk).isEmpty());
    EXPECT_EQ(tl::probeDrive(locked), tl::DriveState::Unreadable);
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    EXPECT_FALSE(filesOk);
    EXPECT_FALSE(foldersOk);
}

TEST_F(Listing, ProbesDrives)
{
    struct Row {
        QString root;
        tl::DriveState state;
    };
    const Row rows[] = {
        { root, tl::DriveState::Ready },
        { path(u"dirlink.jpg"_s), tl::DriveState::Ready },
        { path(u"missing"_s), tl::DriveState::Gone },
        { path(u"danglingdir"_s), tl::DriveState::Gone },
        { path(u"b.jpg"_s), tl::DriveState::Gone },
        { path(u"b.jpg/x"_s), tl::DriveState::Gone },
        { QString(), tl::DriveState::Gone },
    };
    for (const Row& row : rows)
        EXPECT_EQ(tl::probeDrive(row.root), row.state) << row.root.toStdString();
}

TEST(Drives, MountedDrivesOfThisMachineStartAtTheRoot)
{
    const std::vector<tl::MountedDrive> drives = tl::mountedDrives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives.front().root.toStdString(), "/");
    for (const tl::MountedDrive& drive : drives) {
        EXPECT_EQ(tl::probeDrive(drive.root), tl::DriveState::Ready) << drive.root.toStdString();
        EXPECT_EQ(tl::driveOf(drives, drive.root), drive.root);
    }
    EXPECT_EQ(tl::driveOf(drives, u"/proc/self"_s).toStdString(), "/");
}

#endif

} // namespace

#include "platform/files/drives.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

std::vector<std::string> toStd(const std::vector<tl::MountedDrive>& drives)
{
    std::vector<std::string> out;
    for (const tl::MountedDrive& d : drives)
        out.push_back((d.root + u'|' + d.device + u'|' + d.fsType).toStdString());
    return out;
}

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
        EXPECT_EQ(tl::driveOf(tl::rootsOf(row.drives), row.path).toStdString(), row.root.toStdString())
            << row.path.toStdString();
}

#ifndef _WIN32

TEST(Drives, MountedDrivesOfThisMachineStartAtTheRoot)
{
    const std::vector<tl::MountedDrive> drives = tl::mountedDrives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives.front().root.toStdString(), "/");
    for (const tl::MountedDrive& drive : drives) {
        EXPECT_EQ(tl::probeDrive(drive.root), tl::DriveStatus::Ready) << drive.root.toStdString();
        EXPECT_EQ(tl::driveOf(tl::rootsOf(drives), drive.root), drive.root);
    }
    EXPECT_EQ(tl::driveOf(tl::rootsOf(drives), u"/proc/self"_s).toStdString(), "/");
}

#endif

} // namespace

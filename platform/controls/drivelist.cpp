#include "platform/controls/filesystemlists.h"

#include "platform/files/drives.h"

#include <QComboBox>
#include <QDir>
#include <QSignalBlocker>

namespace tl {

namespace {
    // Refreshes its entries each time it opens, so that a stick plugged in meanwhile shows up.
    class DriveCombo : public QComboBox {
    public:
        std::function<void()> aboutToOpen;

    protected:
        void showPopup() override
        {
            if (aboutToOpen)
                aboutToOpen();
            QComboBox::showPopup();
        }
    };
} // namespace

DriveList::DriveList()
    : Control(new DriveCombo)
    , combo_(static_cast<QComboBox*>(widget()))
{
    reading_.start(readDrives(true));
    static_cast<DriveCombo*>(combo_)->aboutToOpen = [this] { Refresh(); };
    QObject::connect(combo_, &QComboBox::activated, combo_, [this](int index) { setDrive(combo_->itemText(index)); });
}

void DriveList::Refresh() { reading_.read(readDrives(!driveKnown_)); }

// Reads the drives, and with `findStart` the drive that holds the current folder, the one chosen at first.
ListReading::Work DriveList::readDrives(bool findStart)
{
    return [this, source = driveSource, findStart](const std::atomic<bool>*) -> ListReading::PutIn {
        const QStringList drives = listDrives(*source);
        const QString start = findStart ? driveOf(drives, currentFolder(), QDir::rootPath()) : QString();
        return [this, drives, start](bool) {
            if (!driveKnown_ && !start.isEmpty()) {
                drive_ = start;
                driveKnown_ = true;
            }
            showDrives(drives);
        };
    };
}

void DriveList::showDrives(QStringList drives)
{
    const QSignalBlocker blocker(combo_);
    if (driveKnown_ && !drives.contains(drive_))
        drives.prepend(drive_);
    combo_->clear();
    combo_->addItems(drives);
    combo_->setCurrentIndex(static_cast<int>(drives.indexOf(drive_)));
}

void DriveList::setDrive(const QString& drive)
{
    if (drive == drive_)
        return;
    showDrive(drive);
    if (Change)
        Change();
}

void DriveList::showDrive(const QString& drive)
{
    drive_ = drive;
    driveKnown_ = true;
    const QSignalBlocker blocker(combo_);
    int index = combo_->findText(drive);
    if (index < 0) {
        combo_->addItem(drive);
        index = combo_->count() - 1;
    }
    combo_->setCurrentIndex(index);
}

} // namespace tl

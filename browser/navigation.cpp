// Moving between drives and folders, and the lists read late.

#include "browser/frmBmpGet.h"

#include "browser/statustexts.h"
#include "forms/messages.h"
#include "platform/files/paths.h"
#include "platform/logging.h"
#include "platform/services.h"

#include <exception>

namespace tl {

void frmBmpGet::Drive1_Change()
{
    try {
        Dir1.setPath(Drive1.Drive());
    } catch (const DeviceError& error) {
        Dir1_Error(error);
    } catch (const std::exception& error) {
        qCWarning(lcBrowser) << "cannot open the drive" << Drive1.Drive() << ":" << error.what();
        MsgBox(messages::Unexpected);
        endProgram(EndedByError);
    }
}

// The folder list could not go to the chosen drive, at once or once read: a drive without a readable
// disk is asked for, and the lists stay where they were; anything else ends the program.
void frmBmpGet::Dir1_Error(const DeviceError& error)
{
    if (error.number == DeviceError::DeviceUnavailable || error.number == DeviceError::DiskMediaError) {
        MsgBox(messages::SetDisk);
        return;
    }
    qCWarning(lcBrowser) << "cannot open the drive" << Drive1.Drive() << ":"
                         << (error.number == DeviceError::PathNotFound ? "not found:" : "no access to") << error.what();
    MsgBox(messages::Unexpected);
    endProgram(EndedByError);
}

void frmBmpGet::Dir1_Change()
{
    File1.setPath(Dir1.Path());
    Text1.setText(withSeparator(Dir1.Path()));
    Drive1.showDrive(Dir1.Drive());
}

// F5 in the folder list or the file list reads the folder afresh in both.
void frmBmpGet::Dir1_KeyDown(int KeyCode)
{
    if (KeyCode == Qt::Key_F5) {
        const ReadingDeadline together;
        Dir1.Refresh();
        File1.Refresh();
    }
}

void frmBmpGet::File1_KeyDown(int KeyCode) { Dir1_KeyDown(KeyCode); }

// While a list is read late the status bar says so; once all are read it says again what it said
// before, unless something else was said meanwhile, and what waited for the lists runs.
void frmBmpGet::Lists_ReadingChange()
{
    const bool folders = Dir1.Reading() || File1.Reading();
    if (folders || Drive1.Reading()) {
        if (SB.SimpleText() != status::ReadingFolder && SB.SimpleText() != status::ReadingDrives)
            statusBeforeReading_ = SB.SimpleText();
        SB.setSimpleText(folders ? status::ReadingFolder : status::ReadingDrives);
    } else if (SB.SimpleText() == status::ReadingFolder || SB.SimpleText() == status::ReadingDrives) {
        SB.setSimpleText(statusBeforeReading_);
    }
    if (!folders) {
        for (const std::function<void()>& then : std::exchange(afterReading_, {}))
            then();
    }
}

void frmBmpGet::whenListsRead(std::function<void()> then)
{
    if (Dir1.Reading() || File1.Reading())
        afterReading_.push_back(std::move(then));
    else
        then();
}

} // namespace tl

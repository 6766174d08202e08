#pragma once

// An icon's first entry, the one Qt's reader decodes, looked at before anything is held. A bitmap
// entry is decoded from the file as it is. A PNG entry is handed to the reader as a one-entry icon of
// its own whose PNG keeps only the chunks a picture needs (header, palette, transparency, image data,
// end): the text and other chunks a file may carry in any amount are passed over, never read. Where its
// colour profile lies is noted, for the picture to be put in sRGB.

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>
#include <atomic>
#include <utility>

namespace tl {

struct IconEntry {
    enum Kind { Bitmap, Png, Refused };
    Kind kind = Refused;
    QString why; // Refused: the reason
    QByteArray head; // Png: the copy's directory, PNG signature and header chunk, which say its decode's cost
    qint64 copyBytes = 0; // Png: the whole copy's length
    QList<std::pair<qint64, qint64>> chunks; // Png: where each chunk kept after the header lies, and its length
    // Png: where the data of its colour profile's chunk (iCCP) lies, and its length; 0 bytes when none
    qint64 profileAt = 0;
    qint64 profileBytes = 0;
};

// Looks at the first entry of the icon `device` holds (`fileSize` bytes long); reads only chunk headers.
IconEntry readIconEntry(QIODevice& device, qint64 fileSize, const std::atomic<bool>* cancelled);

// The one-entry icon of a Png entry, read from `device`; empty when the file no longer holds it.
QByteArray pngOnlyIcon(QIODevice& device, const IconEntry& entry);

} // namespace tl

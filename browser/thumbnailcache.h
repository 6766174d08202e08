#pragma once

#include "pictures/picture.h"
#include "pictures/regularfile.h"

#include <QHash>
#include <QMutex>
#include <QSize>
#include <QString>
#include <list>
#include <optional>

namespace tl {

// One version of a picture file as a cell shows it: the file's path and version, and the cell size
// its copy was made for. A file written or replaced since gives a different key.
struct ThumbnailKey {
    QString path;
    FileVersion version;
    QSize cellSize;

    // The key of the file as it is now; none when there is no regular file at `path`, which
    // leaves its cell blank without decoding anything.
    static std::optional<ThumbnailKey> of(const QString& path, QSize cellSize);
    bool operator==(const ThumbnailKey&) const = default;
};

// Cell pictures already decoded, the most recently used kept first, within a number of entries and
// a number of bytes. One entry a path: a newer version of a file replaces the older one. Safe to use
// from any thread.
class ThumbnailCache {
public:
    ThumbnailCache(int maxEntries, qsizetype maxBytes);

    // The picture decoded from exactly this version of the file, if it is kept; it becomes the most
    // recently used. A kept picture of another version of the file is dropped.
    std::optional<StdPicture> find(const ThumbnailKey& key);
    void insert(const ThumbnailKey& key, const StdPicture& picture);

    int count() const;
    qsizetype bytes() const;

private:
    struct Entry {
        ThumbnailKey key;
        StdPicture picture;
        qsizetype cost;
    };
    using Entries = std::list<Entry>;

    void dropLocked(Entries::iterator entry);

    const int maxEntries_;
    const qsizetype maxBytes_;
    mutable QMutex mutex_;
    Entries entries_; // most recently used first
    QHash<QString, Entries::iterator> byPath_;
    qsizetype bytes_ = 0;
};

} // namespace tl

#include "browser/thumbnailcache.h"

namespace tl {

std::optional<ThumbnailKey> ThumbnailKey::of(const QString& path, QSize cellSize)
{
    if (path.isEmpty())
        return std::nullopt;
    const std::optional<FileVersion> version = regularFileVersion(path);
    if (!version)
        return std::nullopt;
    return ThumbnailKey { path, *version, cellSize };
}

ThumbnailCache::ThumbnailCache(int maxEntries, qsizetype maxBytes)
    : maxEntries_(maxEntries)
    , maxBytes_(maxBytes)
{
}

std::optional<StdPicture> ThumbnailCache::find(const ThumbnailKey& key)
{
    QMutexLocker lock(&mutex_);
    const auto found = byPath_.constFind(key.path);
    if (found == byPath_.cend())
        return std::nullopt;
    const Entries::iterator entry = *found;
    if (!(entry->key == key)) {
        dropLocked(entry);
        return std::nullopt;
    }
    entries_.splice(entries_.begin(), entries_, entry);
    return entry->picture;
}

void ThumbnailCache::insert(const ThumbnailKey& key, const StdPicture& picture)
{
    QMutexLocker lock(&mutex_);
    if (const auto found = byPath_.constFind(key.path); found != byPath_.cend())
        dropLocked(*found);
    const qsizetype cost = picture.memoryCost();
    entries_.push_front(Entry { key, picture, cost });
    byPath_.insert(key.path, entries_.begin());
    bytes_ += cost;
    while (!entries_.empty() && (static_cast<int>(entries_.size()) > maxEntries_ || bytes_ > maxBytes_))
        dropLocked(std::prev(entries_.end()));
}

void ThumbnailCache::dropLocked(Entries::iterator entry)
{
    bytes_ -= entry->cost;
    byPath_.remove(entry->key.path);
    entries_.erase(entry);
}

int ThumbnailCache::count() const
{
    QMutexLocker lock(&mutex_);
    return static_cast<int>(entries_.size());
}

qsizetype ThumbnailCache::bytes() const
{
    QMutexLocker lock(&mutex_);
    return bytes_;
}

} // namespace tl

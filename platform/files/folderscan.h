#pragma once

// What reading a folder needs from the system it runs on; each system has its own scanFolder.

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

namespace tl::files {

// The name patterns of a listing. Most are "*.ext", which need no regular expression.
class NameFilter {
public:
    explicit NameFilter(const QStringList& patterns);

    // Inline: it runs once for every entry of a folder.
    bool matches(const QString& name) const
    {
        if (all_)
            return true;
        for (const QString& suffix : suffixes_) {
            if (name.endsWith(suffix, Qt::CaseInsensitive))
                return true;
        }
        for (const QString& exact : exact_) {
            if (name.compare(exact, Qt::CaseInsensitive) == 0)
                return true;
        }
        for (const QRegularExpression& re : regexes_) {
            if (re.match(name).hasMatch())
                return true;
        }
        return false;
    }

private:
    bool all_ = false;
    QStringList suffixes_;
    QStringList exact_;
    std::vector<QRegularExpression> regexes_;
};

enum class Kind { File, Folder };

// Appends the names of the folder's entries of that kind that the filter, when there is one, lets
// through; hidden names are left out. False, with the reason in `why`, when the folder cannot be read
// to its end, or when `cancelled` is set before it is (then `why` is empty).
bool scanFolder(const QString& folder, Kind kind, const NameFilter* filter, QStringList& names, QString& why,
    const std::atomic<bool>* cancelled = nullptr);

} // namespace tl::files

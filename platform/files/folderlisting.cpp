#include "platform/files/folderlisting.h"

#include "platform/files/folderscan.h"
#include "platform/files/naturalorder.h"
#include "platform/logging.h"

#include <algorithm>

namespace tl {

namespace files {

    NameFilter::NameFilter(const QStringList& patterns)
    {
        if (patterns.isEmpty()) {
            all_ = true;
            return;
        }
        for (const QString& pattern : patterns) {
            if (pattern.isEmpty())
                continue;
            const QStringView rest = QStringView(pattern).mid(1);
            const auto isWild = [](QChar c) { return c == u'*' || c == u'?' || c == u'['; };
            if (pattern.front() == u'*' && std::none_of(rest.begin(), rest.end(), isWild)) {
                if (rest.isEmpty())
                    all_ = true;
                else
                    suffixes_.append(rest.toString());
            } else if (std::none_of(pattern.begin(), pattern.end(), isWild)) {
                exact_.append(pattern);
            } else {
                QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern),
                    QRegularExpression::CaseInsensitiveOption);
                re.optimize();
                regexes_.push_back(std::move(re));
            }
        }
    }

} // namespace files

namespace {

    QStringList listFolder(const QString& folder, files::Kind kind, const files::NameFilter* filter, bool* ok,
        const std::atomic<bool>* cancelled)
    {
        QStringList names;
        QString why;
        const bool success = files::scanFolder(folder, kind, filter, names, why, cancelled);
        if (ok)
            *ok = success;
        if (!success) {
            // The lists that show the folder say nothing of why it could not be read; a listing given
            // up is no failure.
            if (!why.isEmpty())
                qCWarning(lcFiles) << "cannot list" << folder << ":" << qUtf8Printable(why);
            return {};
        }
        std::sort(names.begin(), names.end(), [](const QString& x, const QString& y) { return naturalLess(x, y); });
        return names;
    }

} // namespace

QStringList listFiles(const QString& folder, const QStringList& patterns, bool* ok, const std::atomic<bool>* cancelled)
{
    const files::NameFilter filter(patterns);
    return listFolder(folder, files::Kind::File, &filter, ok, cancelled);
}

QStringList listSubfolders(const QString& folder, bool* ok, const std::atomic<bool>* cancelled)
{
    return listFolder(folder, files::Kind::Folder, nullptr, ok, cancelled);
}

} // namespace tl

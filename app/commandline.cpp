#include "app/commandline.h"

namespace tl {

std::optional<QString> namedOnCommandLine(const QStringList& arguments)
{
    bool options = true;
    for (const QString& argument : arguments.mid(1)) {
        if (options && argument == QLatin1String("--"))
            options = false;
        else if (!options || !argument.startsWith(QLatin1Char('-')))
            return argument;
    }
    return std::nullopt;
}

} // namespace tl

#include "forms/mypath.h"

#include "platform/files/paths.h"
#include "platform/services.h"

namespace tl {

QString MyPath() { return withSeparator(QDir::toNativeSeparators(applicationFolder())); }

} // namespace tl

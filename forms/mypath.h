#pragma once

#include <QString>

namespace tl {

// The application folder ending in exactly one separator; a root stays as it is.
QString MyPath();

} // namespace tl

#pragma once

// What the drives need from the system they run on; each system has its own file.

#include <QString>

namespace tl::files {

// Whether two paths that differ only in case name the same file.
extern const Qt::CaseSensitivity pathCase;

// The process's current folder as the system names it, even when it has been removed; empty when
// the system cannot name it.
QString processFolder();

} // namespace tl::files

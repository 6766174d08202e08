// The grid by keyboard: a focus ring on one cell, moved by the arrows and the paging keys.

#include "browser/frmBmpGet.h"

namespace tl {

void frmBmpGet::focusEntry(int entry) { focusedEntry_ = entry; }

} // namespace tl

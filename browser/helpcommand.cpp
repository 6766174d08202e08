// The menu command "HELP".

#include "browser/frmBmpGet.h"

namespace tl {

void frmBmpGet::mnuHelp_Click() { }

} // namespace tl

// The menu command "HELP".

#include "browser/frmBmpGet.h"
#include "help/frmHelp.h"

namespace tl {

// Modeless and without an owner: the main window stays usable beside the help window.
void frmBmpGet::mnuHelp_Click() { Window<frmHelp>().Show(); }

} // namespace tl

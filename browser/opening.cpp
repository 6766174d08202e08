// Opening pictures from the main window: a thumbnail, the preview stack, the open command.

#include "browser/frmBmpGet.h"

namespace tl {

void frmBmpGet::Image2_Click(int) { }

void frmBmpGet::Image1_Click(int) { }

void frmBmpGet::Command1_Click() { }

} // namespace tl

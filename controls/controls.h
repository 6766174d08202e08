#pragma once

// The controls a window is built from. Each keeps its state as the authority and owns a Qt widget
// that shows that state and takes the user's input.

#include "controls/control.h"
#include "controls/filesystemlists.h"
#include "controls/image.h"
#include "controls/scrollbar.h"
#include "controls/simple.h"
#include "controls/textbox.h"

#pragma once

// The controls a window is built from. Each keeps its state as the authority and owns a Qt widget
// that shows that state and takes the user's input.

#include "platform/controls/control.h"
#include "platform/controls/filesystemlists.h"
#include "platform/controls/image.h"
#include "platform/controls/scrollbar.h"
#include "platform/controls/simple.h"
#include "platform/controls/textbox.h"

#pragma once

namespace tl {

// Whether the key being handled now is one the keyboard repeats because it is held down. A handler
// that starts costly work (a picture, a page of cells) asks this so that a held key never waits for
// that work: the key comes again in 40 ms. Known from the first window made on, and only while the
// key's own event is handled.
bool keyRepeating();

// Starts watching the program's keys; each window does so as it is made.
void watchKeyRepeat();

} // namespace tl

#pragma once

namespace tl {

// Large blocks (a decoded picture, a frame of an animation) go back to the system as soon as they
// are freed, instead of staying with the allocator of the thread that freed them: a picture window
// that steps through photos or plays an animation holds only what it shows. Called once, first
// thing in main.
void returnLargeBlocksToTheSystem();

} // namespace tl

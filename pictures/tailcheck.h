#pragma once

// For the benchmarks alone, never the program: how a cell's read of a JPEG is made, to set what the
// program does against what it did before it looked at a photo's tail.

namespace tl {

// Whether a cell made from a photo's camera thumbnail first looks at the file's tail for the photo's
// end marker, and whether a cell's read asks the system for the file's head and tail at once, nothing
// read ahead beyond them. Both on unless turned off here.
void setCellReadsForBenchmarks(bool checkTails, bool adviseReads);

} // namespace tl

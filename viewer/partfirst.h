#pragma once

// A large JPEG opened at its natural size shows the part the viewport covers first: that part is read
// and decoded on its own, alongside the whole picture, and shown while the window waits for the whole.

#include <QString>
#include <memory>

namespace tl {

class frmPicture;
class PictureJob;

// Starts reading the part of the JPEG at `path` that the window's viewport covers at its current
// offset, when the window shows pictures at their natural size (not fitted, zoom 1); gives up the
// part asked for before. `whole` is the job that makes the whole picture for the window. The part is
// shown once it is decoded, if the window is still waiting for that picture then (`whole` neither done
// nor given up, the window showing the empty picture meanwhile, and no newer part asked for): the
// window takes the picture's natural size at once, its bars range over the whole picture, and it
// draws the part until the whole picture is put in. Anything but a JPEG that can give a part first is
// left to the whole decode alone. Gives the part's job; null when none was started.
std::shared_ptr<PictureJob> readPartFirst(
    frmPicture& window, const QString& path, std::shared_ptr<const PictureJob> whole);

} // namespace tl

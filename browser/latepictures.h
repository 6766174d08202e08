#pragma once

#include "pictures/picturejob.h"

#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace tl {

// Pictures that a handler stopped waiting for. Each is put in on the window's thread once it is
// made, by a function that first looks whether what asked for it still stands (the cell still shows
// that entry, no newer picture was asked for). Looked at a few times a second, and only while some
// picture is late: in the ordinary case nothing is ever late.
class LatePictures {
public:
    using PutIn = std::function<void(const StdPicture&)>;

    LatePictures();
    void add(std::shared_ptr<PictureJob> job, PutIn putIn);
    bool isEmpty() const { return late_.empty(); }

private:
    void putInWhatIsDone();

    struct Late {
        std::shared_ptr<PictureJob> job;
        PutIn putIn;
    };
    std::vector<Late> late_;
    QTimer timer_;
};

// One place that shows the picture it asked for last: the picture window, the preview. A new request
// cancels the job of the one before and makes its late picture stale.
class LatestPicture {
public:
    explicit LatestPicture(LatePictures& late);
    // Waits for `job` up to `wait`, then puts its picture in. A picture not made by then is put in once
    // made unless a newer one was asked for or `stillShown` says the place is gone; meanwhile the place
    // shows what it showed, and once the usual wait has passed since the request, as `meanwhile` does.
    void show(std::shared_ptr<PictureJob> job, LatePictures::PutIn putIn, std::function<void()> meanwhile,
        std::function<bool()> stillShown = {}, std::chrono::milliseconds wait = PictureWait);
    // Whether the picture asked for last is still to come.
    bool pending() const { return pending_; }

private:
    LatePictures& late_;
    std::shared_ptr<PictureJob> job_;
    int request_ = 0;
    bool pending_ = false;
    QTimer meanwhileTimer_;
    std::function<void()> meanwhile_;
};

} // namespace tl

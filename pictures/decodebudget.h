#pragma once

// The memory that decoded pictures may take together: what decodes in flight allocate, and what the
// picture window keeps of what they made (the picture on show, the one read ahead, an animation's
// canvas). Safe to use from any thread.

#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>

namespace tl {

// Decodes in flight and the pictures held for showing may together take this much; a decode larger
// than what is left runs alone, once nothing else decodes and nothing is held.
constexpr qint64 DecodeBudget = qint64(1024) << 20;

// A share of the budget, held while one decode runs. It waits for its share; a wait cancelled through
// `cancelled` gets none. Within an OnlyIfRoom scope it never waits: what cannot have its share at once
// gets none.
class DecodeTicket {
public:
    DecodeTicket(qint64 cost, const std::atomic<bool>* cancelled);
    ~DecodeTicket();
    DecodeTicket(const DecodeTicket&) = delete;
    DecodeTicket& operator=(const DecodeTicket&) = delete;
    // Whether the share was given.
    bool given() const { return given_; }

private:
    qint64 cost_;
    bool given_ = false;
};

// A share kept by a picture held for showing, for as long as the hold lives. Taken at once, whatever
// is in flight: the picture is made already.
class BudgetHold {
public:
    explicit BudgetHold(qint64 bytes);
    ~BudgetHold();
    BudgetHold(const BudgetHold&) = delete;
    BudgetHold& operator=(const BudgetHold&) = delete;
    // A hold of `bytes`, or none when they do not fit beside what decodes and is held now.
    static std::unique_ptr<BudgetHold> ifRoom(qint64 bytes);

private:
    struct Counted { };
    BudgetHold(qint64 bytes, Counted); // counted already
    qint64 bytes_;
};

// Decodes on this thread, while it lives, are made only if there is room for them at once: a picture
// read ahead that does not fit is not made.
class OnlyIfRoom {
public:
    OnlyIfRoom();
    ~OnlyIfRoom();
    OnlyIfRoom(const OnlyIfRoom&) = delete;
    OnlyIfRoom& operator=(const OnlyIfRoom&) = delete;

private:
    bool was_;
};

// Whether a decode waits for room that only pictures held for showing take: whoever holds them lets
// go of what it can.
bool roomWanted();

// What decodes in flight and held pictures take now, in bytes.
qint64 budgetInUse();

// Runs `work` while it holds a share of `cost` bytes of the budget, waiting for others to end as a
// decode does. Whether it ran: a cost past the whole budget, or a wait cancelled through `cancelled`,
// runs nothing.
bool runWithinDecodeBudget(qint64 cost, const std::atomic<bool>* cancelled, const std::function<void()>& work);

} // namespace tl

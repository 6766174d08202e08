#include "pictures/decodebudget.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace tl {

namespace {

    // What decodes and held pictures take together. Made once and never destroyed: decodes may still
    // wait on it while the process ends.
    struct Budget {
        std::mutex mutex;
        std::condition_variable free;
        qint64 decoding = 0; // by decodes in flight
        qint64 held = 0; // by pictures held for showing
        int waitingForHeld = 0; // decodes that nothing but held pictures keeps waiting
        bool fits(qint64 cost) const { return decoding + held + cost <= DecodeBudget; }
    };
    Budget& budget()
    {
        static Budget* const shared = new Budget;
        return *shared;
    }

    thread_local bool onlyIfRoom = false;

    // A waiter looks at its cancel flag this often.
    constexpr std::chrono::milliseconds LookAgain { 20 };

} // namespace

DecodeTicket::DecodeTicket(qint64 cost, const std::atomic<bool>* cancelled)
    : cost_(std::min(cost, DecodeBudget))
{
    Budget& shared = budget();
    // Alone, a decode runs whatever it costs: nothing else could make room for it.
    const auto given = [&] { return (shared.decoding == 0 && shared.held == 0) || shared.fits(cost_); };
    std::unique_lock lock(shared.mutex);
    bool countedWaiting = false;
    while (!given()) {
        const bool onlyHeld = shared.decoding == 0;
        if (onlyHeld != countedWaiting) {
            shared.waitingForHeld += onlyHeld ? 1 : -1;
            countedWaiting = onlyHeld;
        }
        if (onlyIfRoom || (cancelled && cancelled->load()))
            break;
        shared.free.wait_for(lock, LookAgain);
    }
    if (countedWaiting)
        --shared.waitingForHeld;
    given_ = given();
    if (given_)
        shared.decoding += cost_;
}

DecodeTicket::~DecodeTicket()
{
    if (!given_)
        return;
    Budget& shared = budget();
    {
        std::lock_guard lock(shared.mutex);
        shared.decoding -= cost_;
    }
    shared.free.notify_all();
}

BudgetHold::BudgetHold(qint64 bytes)
    : bytes_(std::max<qint64>(bytes, 0))
{
    Budget& shared = budget();
    std::lock_guard lock(shared.mutex);
    shared.held += bytes_;
}

BudgetHold::BudgetHold(qint64 bytes, Counted)
    : bytes_(std::max<qint64>(bytes, 0))
{
}

BudgetHold::~BudgetHold()
{
    Budget& shared = budget();
    {
        std::lock_guard lock(shared.mutex);
        shared.held -= bytes_;
    }
    shared.free.notify_all();
}

std::unique_ptr<BudgetHold> BudgetHold::ifRoom(qint64 bytes)
{
    Budget& shared = budget();
    std::lock_guard lock(shared.mutex);
    if (!shared.fits(bytes))
        return {};
    shared.held += std::max<qint64>(bytes, 0);
    return std::unique_ptr<BudgetHold>(new BudgetHold(bytes, Counted {}));
}

OnlyIfRoom::OnlyIfRoom()
    : was_(std::exchange(onlyIfRoom, true))
{
}

OnlyIfRoom::~OnlyIfRoom() { onlyIfRoom = was_; }

bool roomWanted()
{
    Budget& shared = budget();
    std::lock_guard lock(shared.mutex);
    return shared.waitingForHeld > 0;
}

qint64 budgetInUse()
{
    Budget& shared = budget();
    std::lock_guard lock(shared.mutex);
    return shared.decoding + shared.held;
}

bool runWithinDecodeBudget(qint64 cost, const std::atomic<bool>* cancelled, const std::function<void()>& work)
{
    if (cost > DecodeBudget)
        return false;
    const DecodeTicket ticket(cost, cancelled);
    if (!ticket.given() || (cancelled && cancelled->load()))
        return false;
    work();
    return true;
}

} // namespace tl

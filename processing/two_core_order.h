// Work items produced on two cores and consumed one at a time in index order on the calling
// thread: the last pass fits its peaks this way and still reports them in peak order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace ostrel {

// Produces the results 0..count-1 on the calling thread and on one helper thread, and hands them
// to consume on the calling thread in index order. At most `ahead` results wait for their turn,
// so memory stays bounded however long the run. produce(k, result) may run on either thread and
// must not throw; consume(k, result) answers false to end the run (no later result is consumed).
// An exception from consume ends the run too and passes on after the helper has stopped.
template <class Result, class Produce, class Consume>
void ProduceOnTwoCoresConsumeInOrder(int32_t count, int32_t ahead, Produce produce,
                                     Consume consume) {
    std::vector<Result> slots(ahead);
    std::vector<char> ready(ahead, 0);
    std::mutex mutex;
    std::condition_variable changed;
    int32_t next = 0;      // the next index to produce
    int32_t consumed = 0;  // results handed to consume; slot k % ahead is free once k < consumed
    bool stop = false;

    // Under the lock: the index to produce now, or -1 when there is none yet.
    auto claim = [&]() -> int32_t {
        if (stop || next >= count || next >= consumed + ahead) return -1;
        return next++;
    };
    auto produceInto = [&](std::unique_lock<std::mutex>& lock, int32_t k) {
        lock.unlock();
        produce(k, slots[k % ahead]);
        lock.lock();
        ready[k % ahead] = 1;
        changed.notify_all();
    };

    auto helping = [&] {
        std::unique_lock lock(mutex);
        while (true) {
            changed.wait(lock, [&] { return stop || next >= count || next < consumed + ahead; });
            const int32_t k = claim();
            if (k < 0) return;
            produceInto(lock, k);
        }
    };
    std::thread helper;
    try {
        helper = std::thread(helping);
    } catch (const std::system_error&) {
        // No second thread to be had: the calling thread does it all.
        for (int32_t k = 0; k < count; ++k) {
            produce(k, slots[0]);
            if (!consume(k, slots[0])) return;
        }
        return;
    }
    struct StopAndJoin {
        std::mutex& mutex;
        std::condition_variable& changed;
        bool& stop;
        std::thread& helper;
        ~StopAndJoin() {
            {
                std::lock_guard lock(mutex);
                stop = true;
            }
            changed.notify_all();
            helper.join();
        }
    } stopAndJoin{mutex, changed, stop, helper};

    std::unique_lock lock(mutex);
    while (consumed < count) {
        const int32_t slot = consumed % ahead;
        if (ready[slot]) {
            lock.unlock();
            const bool more = consume(consumed, slots[slot]);
            lock.lock();
            ready[slot] = 0;
            ++consumed;
            changed.notify_all();
            if (!more) return;
        } else if (const int32_t k = claim(); k >= 0) {
            produceInto(lock, k);
        } else {
            changed.wait(lock);
        }
    }
}

}  // namespace ostrel

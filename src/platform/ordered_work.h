// SPDX-License-Identifier: MIT
// Work on every core with results in order: blocks of an export (or files of a batch) are
// produced on a few threads, each into a block of its own, and handed on one at a time in
// their order on the calling thread, so that what is written is the same, byte for byte, as
// on one thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon {

// The threads for `jobs`: as many as the machine has cores when jobs is 0, else jobs.
unsigned WorkerCount(unsigned jobs);

// Runs produce(i, block) for every i in [0, count) on `threads` threads (the calling thread
// among them) and consume(i, block) on the calling thread for i = 0, 1, ... in order, each once
// its block is produced. At most
// 2 * threads blocks are produced ahead of the one consumed; a Block is reused for a later i
// (produce starts from what it left). An exception from produce is raised here when its
// block's turn comes, after the threads have stopped; so is one from consume (a failed or
// cancelled write), and no block after it is produced. With threads <= 1 or count <= 1,
// everything runs on the calling thread, block by block.
template <typename Block, typename Produce, typename Consume>
void RunInOrder(unsigned threads, std::size_t count, Produce produce, Consume consume) {
    if (threads <= 1 || count <= 1) {
        Block block{};
        for (std::size_t i = 0; i < count; ++i) {
            produce(i, block);
            consume(i, block);
        }
        return;
    }
    struct Slot {
        Block block{};
        bool ready = false;
        std::exception_ptr error;
    };
    const std::size_t window = 2 * static_cast<std::size_t>(threads);
    std::vector<Slot> slots(window);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t claimed = 0;   // blocks handed to a thread so far
    std::size_t consumed = 0;  // blocks consumed so far
    bool stop = false;

    // Produces the next block not yet claimed; called and left with the lock held.
    const auto produceNext = [&](std::unique_lock<std::mutex>& lock) {
        const std::size_t i = claimed++;
        Slot& slot = slots[i % window];
        lock.unlock();
        try {
            produce(i, slot.block);
        } catch (...) {
            slot.error = std::current_exception();
        }
        lock.lock();
        slot.ready = true;
        changed.notify_all();
    };
    const auto claimable = [&] { return claimed < count && claimed < consumed + window; };
    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return stop || claimed >= count || claimable(); });
            if (stop || claimed >= count) {
                return;
            }
            produceNext(lock);
        }
    };
    std::vector<std::thread> workers;
    const auto finish = [&] {
        {
            const std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        for (std::thread& worker : workers) {
            worker.join();
        }
        workers.clear();
    };
    try {
        // The calling thread is one of the `threads`: it consumes, and produces too while the
        // block it is to consume next is not ready (writing alone would leave its core idle).
        for (unsigned t = 1; t < threads; ++t) {
            workers.emplace_back(work);
        }
        for (std::size_t i = 0; i < count; ++i) {
            Slot& slot = slots[i % window];
            {
                std::unique_lock lock(mutex);
                while (!slot.ready) {
                    if (claimable()) {
                        produceNext(lock);
                    } else {
                        changed.wait(lock);
                    }
                }
            }
            if (slot.error) {
                std::rethrow_exception(slot.error);
            }
            consume(i, slot.block);
            {
                const std::lock_guard lock(mutex);
                slot.ready = false;
                ++consumed;
            }
            changed.notify_all();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

}  // namespace quillon

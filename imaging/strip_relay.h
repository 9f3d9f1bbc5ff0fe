#pragma once

#include "platform/bitmap.h"

#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <utility>

namespace vistrel {

// Hands strips of rows from one thread (a decoder) to another (a resampler) so that both work at
// once, with at most two strips waiting: the picture is never held whole.
class StripRelay {
public:
    // Moves strip into a free slot, waiting for one. A slot holding a strip of the same size (one
    // taken already) trades its rows for it, so that strip keeps its size and no row is copied;
    // otherwise the rows are copied. Strips put after Abandon() are dropped.
    void Put(TBitmap &strip, int firstRow)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return count_ < kSlots || abandoned_; });
        if (abandoned_)
            return;
        Slot &slot = slots_[(first_ + count_) % kSlots];
        lock.unlock(); // the slot is the putter's until counted
        if (slot.rows.width() == strip.width() && slot.rows.height() == strip.height()
            && strip.pixelFormat() == PixelFormat::pf24bit) {
            std::swap(slot.rows, strip);
        } else {
            slot.rows = TBitmap::Uncleared(strip.width(), strip.height(), PixelFormat::pf24bit);
            for (int y = 0; y < strip.height(); ++y)
                std::memcpy(slot.rows.scanLine(y), strip.scanLine(y), static_cast<size_t>(strip.width()) * 3);
        }
        slot.firstRow = firstRow;
        lock.lock();
        ++count_;
        changed_.notify_all();
    }

    // The putter's last word, also after a failure: Drain returns once the waiting strips are taken.
    void Close()
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    // The taker's failure: the putter is no longer kept waiting.
    void Abandon()
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
        changed_.notify_all();
    }

    // Runs take(strip, firstRow) on every strip put, in order, until Close().
    template <typename Take>
    void Drain(const Take &take)
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return count_ > 0 || closed_; });
            if (count_ == 0)
                return;
            Slot &slot = slots_[first_];
            lock.unlock(); // the slot is the taker's until released
            take(slot.rows, slot.firstRow);
            lock.lock();
            first_ = (first_ + 1) % kSlots;
            --count_;
            changed_.notify_all();
        }
    }

private:
    static constexpr int kSlots = 2;
    struct Slot {
        TBitmap rows;
        int firstRow = 0;
    };
    std::array<Slot, kSlots> slots_;
    int first_ = 0, count_ = 0;
    bool closed_ = false, abandoned_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
};

} // namespace vistrel

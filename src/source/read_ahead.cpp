#include "source/read_ahead.h"

#include <cstdlib>
#include <new>

TReadAhead::TReadAhead(TSource source, std::size_t chunk, std::size_t ahead, bool threaded, TPrepare prepare)
    : source_(std::move(source)), prepare_(std::move(prepare)), chunk_(chunk), threaded_(threaded) {
    // Page-aligned buffers: the kernel copies into them faster.
    const std::size_t size = (chunk + 4095) / 4096 * 4096;
    buffers_.resize(threaded ? ahead + 1 : 1);
    for (TBuffer& b : buffers_) {
        b.data = static_cast<char*>(std::aligned_alloc(4096, size));
        if (!b.data) {
            for (TBuffer& done : buffers_) std::free(done.data);
            throw std::bad_alloc();
        }
    }
}

void TReadAhead::Start() {
    if (threaded_ && !thread_.joinable()) thread_ = std::thread([this] { Produce(); });
}

TReadAhead::~TReadAhead() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    for (TBuffer& b : buffers_) std::free(b.data);
}

void TReadAhead::Produce() {
    const std::size_t count = buffers_.size();
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // One buffer stays with the consumer.
            changed_.wait(lock, [&] { return stop_ || filled_ - consumed_ < count - 1; });
            if (stop_) return;
        }
        const std::size_t slot = filled_ % count;
        TBuffer& b = buffers_[slot];
        std::size_t got = 0;
        std::exception_ptr error;
        try {
            got = source_(b.data, chunk_);
            if (got > 0 && prepare_) prepare_(b.data, got, slot);
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            b.size = got;
            if (got > 0) ++filled_;
            // A short read is the end of the source.
            if (error || got < chunk_) {
                error_ = error;
                atEnd_ = true;
            }
        }
        changed_.notify_all();
        if (error || got < chunk_) return;
    }
}

const char* TReadAhead::Next(std::size_t& size, std::size_t& slot) {
    if (!threaded_) {
        slot = 0;
        size = atEnd_ ? 0 : source_(buffers_[0].data, chunk_);
        if (size < chunk_) atEnd_ = true;
        if (size > 0 && prepare_) prepare_(buffers_[0].data, size, 0);
        return buffers_[0].data;
    }
    Start();
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return filled_ > consumed_ || atEnd_; });
    if (filled_ == consumed_) {
        if (error_) std::rethrow_exception(error_);
        size = 0;
        slot = 0;
        return buffers_[0].data;
    }
    slot = consumed_ % buffers_.size();
    const TBuffer& b = buffers_[slot];
    ++consumed_;
    lock.unlock();
    changed_.notify_all();
    size = b.size;
    return b.data;
}

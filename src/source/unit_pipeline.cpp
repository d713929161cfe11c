#include "source/unit_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class TUnitStream : public TByteStream {
public:
    TUnitStream(TDecodingSource& source, std::unique_ptr<TUnitFormat> format, const TRestartPoint& from, std::int64_t pos)
        : owner_(source.shared_from_this()), source_(source), format_(std::move(format)), out_(from.out), skipTo_(pos),
          inDone_(from.in) {
        unsigned workers = std::max(1u, std::thread::hardware_concurrency());
        maxAhead_ = workers + 1;
        for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
    }

    ~TUnitStream() override {
        StopWorkers();
    }

    std::size_t Read(char* buf, std::size_t n) override {
        if (failed_) std::rethrow_exception(failed_);
        std::size_t done = 0;
        while (done < n) {
            if (rest_) {
                const std::size_t got = rest_->Read(buf + done, n - done);
                if (got == 0) break;
                done += got;
                continue;
            }
            if (used_ == text_.size()) {
                if (ended_ || !NextUnit()) {
                    ended_ = true;
                    break;
                }
                continue;
            }
            const std::size_t k = std::min(n - done, text_.size() - used_);
            std::memcpy(buf + done, text_.data() + used_, k);
            used_ += k;
            done += k;
        }
        return done;
    }

    std::int64_t InputDone() const override { return rest_ ? rest_->InputDone() : inDone_; }

private:
    void Work() {
        for (;;) {
            TUnit unit;
            std::uint64_t seq = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || splitDone_ || nextSeq_ < delivered_ + ahead_; });
                if (stop_ || splitDone_) return;
                // Buffers come back from units already read: no new pages to fault in.
                if (!spare_.empty()) {
                    unit.text = std::move(spare_.back());
                    spare_.pop_back();
                }
                if (!spareInput_.empty()) {
                    unit.input = std::move(spareInput_.back());
                    spareInput_.pop_back();
                }
                try {
                    format_->Split(unit);
                } catch (...) {
                    unit.error = std::current_exception();
                }
                seq = nextSeq_++;
                // Nothing is split after the end, a fault or a hand-over.
                if (unit.last || unit.handOver || unit.error) splitDone_ = true;
            }
            if (!unit.last && !unit.handOver && !unit.error) {
                try {
                    format_->Decode(unit);
                } catch (...) {
                    unit.decoded = false;  // the decoder will say what is wrong
                    unit.text.clear();
                }
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                done_.emplace(seq, std::move(unit));
            }
            changed_.notify_all();
        }
    }

    void StopWorkers() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (std::thread& t : workers_) t.join();
        workers_.clear();
    }

    // Takes the next unit's text; false at the end of the text.
    bool NextUnit() {
        TUnit unit;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return done_.count(delivered_) > 0; });
            auto it = done_.find(delivered_);
            unit = std::move(it->second);
            done_.erase(it);
            ++delivered_;
            // A short read (the sniff of a file's first lines) decodes little ahead.
            ahead_ = std::min(ahead_ + 1, maxAhead_);
            // Enough spares for every unit in flight: no buffer is given back
            // to the system only to be taken again (and faulted in anew).
            if (spare_.size() < maxAhead_ + 2) spare_.push_back(std::move(text_));
            if (spareInput_.size() < maxAhead_ + 2) spareInput_.push_back(std::move(input_));
        }
        text_.clear();
        used_ = 0;
        changed_.notify_all();
        if (unit.error) {
            failed_ = unit.error;  // and so for every later read
            std::rethrow_exception(failed_);
        }
        if (unit.last) return false;
        unit.start.out = out_;
        if (!unit.decoded) {
            // The format's decoder goes on from here, on its own thread.
            StopWorkers();
            source_.Points().Add(unit.start);
            rest_ = PrefetchStream(source_.NewDecoder(unit.start), std::max(skipTo_, out_), owner_);
            return true;
        }
        inDone_ = unit.start.in + static_cast<std::int64_t>(unit.input.size());
        source_.Points().Add(std::move(unit.start));
        text_ = std::move(unit.text);
        input_ = std::move(unit.input);
        used_ = 0;
        const std::int64_t end = out_ + static_cast<std::int64_t>(text_.size());
        if (skipTo_ > out_) used_ = static_cast<std::size_t>(std::min(skipTo_, end) - out_);
        out_ = end;
        return true;
    }

    std::shared_ptr<const void> owner_;
    TDecodingSource& source_;
    std::unique_ptr<TUnitFormat> format_;
    std::int64_t out_;      // text offset just after text_
    std::int64_t skipTo_;
    std::int64_t inDone_;
    std::string text_, input_;  // the unit being read
    std::size_t used_ = 0;
    std::unique_ptr<TByteStream> rest_;
    std::exception_ptr failed_;
    bool ended_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> workers_;
    std::map<std::uint64_t, TUnit> done_;
    std::vector<std::string> spare_, spareInput_;
    std::uint64_t nextSeq_ = 0, delivered_ = 0, ahead_ = 1, maxAhead_ = 4;
    bool stop_ = false, splitDone_ = false;
};

}  // namespace

std::unique_ptr<TByteStream> UnitStream(TDecodingSource& source, std::unique_ptr<TUnitFormat> format,
                                        const TRestartPoint& from, std::int64_t pos) {
    return std::make_unique<TUnitStream>(source, std::move(format), from, pos);
}

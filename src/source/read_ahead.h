// Reading a byte source ahead of its consumer: while the scanner works on
// one chunk, a thread of its own fills the next ones, so that copying the
// bytes from the operating system and scanning them overlap. The source is
// any function that fills a buffer (a file read sequentially, and later a
// decompressor); nothing assumes a seekable file.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TReadAhead {
public:
    // Fills buf with up to n bytes, fewer only at the end of the source
    // (0 there); throws on an error.
    using TSource = std::function<std::size_t(char* buf, std::size_t n)>;
    // Works on a chunk just read, on the reading thread, before the consumer
    // gets it (the scanner's first pass); slot tells the chunk's buffer.
    using TPrepare = std::function<void(const char* data, std::size_t n, std::size_t slot)>;

    // `chunk` bytes per read; `ahead` chunks may wait for the consumer, so
    // there are Slots() = ahead + 1 buffers. With `threaded` false the source
    // is read on the caller's thread, chunk by chunk, when Next asks (small
    // files: no thread to start).
    TReadAhead(TSource source, std::size_t chunk, std::size_t ahead, bool threaded, TPrepare prepare = {});
    ~TReadAhead();  // stops the reading thread (also when chunks are left)
    TReadAhead(const TReadAhead&) = delete;
    TReadAhead& operator=(const TReadAhead&) = delete;

    std::size_t Slots() const { return buffers_.size(); }
    // Starts reading (after the owner has made room for what prepare writes).
    void Start();

    // The next chunk (its size 0 at the end of the source) and its slot,
    // valid until the next call. Rethrows an error of the source.
    const char* Next(std::size_t& size, std::size_t& slot);

private:
    struct TBuffer {
        char* data = nullptr;
        std::size_t size = 0;
    };
    void Produce();

    TSource source_;
    TPrepare prepare_;
    std::size_t chunk_;
    std::vector<TBuffer> buffers_;
    bool threaded_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t filled_ = 0;    // chunks read so far (producer)
    std::size_t consumed_ = 0;  // chunks handed out (consumer)
    bool atEnd_ = false;        // the source has ended (or failed)
    bool stop_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

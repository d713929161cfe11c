// gzip files, one member or many (as pigz or `cat a.gz b.gz` write them),
// inflated by zlib; restart points every few MB of text (inflate_reader.h).
#include "source/decoding_source.h"
#include "source/inflate_reader.h"

namespace {

// Restart points every 2 MiB of text at first; at 2048 points every other
// one goes (so a 10 GB file keeps about 1,000, one per 10 MB, about 12 MB).
constexpr std::int64_t kGzipGap = 2 << 20;
constexpr std::size_t kGzipMaxPoints = 2048;
// A point whose unit is this starts a member (gzip header and all).
constexpr std::int32_t kMemberStart = 1;

class TGzipDecoder : public TDecoder {
public:
    TGzipDecoder(TDecodingSource& source, const TRestartPoint& point)
        : source_(source), reader_(source.Input(), TCompression::Gzip) {
        out_ = point.out;
        raw_ = point.in != 0 && point.unit != kMemberStart;
        if (raw_) reader_.Resume(point);
        else reader_.Begin(point.in, true);
    }

    std::size_t Decode(char* buf, std::size_t n) override {
        std::size_t done = 0;
        while (done < n && !end_) {
            bool ended = false;
            done += reader_.Inflate(buf + done, n - done, ended, &source_.Points(), out_ + static_cast<std::int64_t>(done), 0);
            if (ended) NextMember(out_ + static_cast<std::int64_t>(done));
        }
        out_ += static_cast<std::int64_t>(done);
        return done;
    }
    std::int64_t In() const override { return reader_.In(); }

private:
    // After a member: another member, the end, or zeros padding the file.
    void NextMember(std::int64_t out) {
        // Started inside a member, zlib read raw deflate: its trailer is left.
        if (raw_) reader_.Skip(8);
        raw_ = false;
        unsigned char head[2];
        const std::size_t k = reader_.Peek(head, 2);
        if (k == 0) {
            end_ = true;
            return;
        }
        if (k == 2 && head[0] == 0x1f && head[1] == 0x8b) {
            TRestartPoint member;
            member.out = out;
            member.in = reader_.In();
            member.unit = kMemberStart;
            source_.Points().Add(member);
            reader_.Begin(reader_.In(), true);
            return;
        }
        // Some tools pad a file with zeros; anything else is not gzip.
        unsigned char rest[4096];
        for (std::size_t got; (got = reader_.Peek(rest, sizeof rest)) > 0;) {
            for (std::size_t i = 0; i < got; ++i)
                if (rest[i] != 0) ThrowDamaged(source_.Input(), TCompression::Gzip, reader_.In() + static_cast<std::int64_t>(i),
                                               "unexpected bytes after the compressed data");
            reader_.Skip(got);
        }
        end_ = true;
    }

    TDecodingSource& source_;
    TInflateReader reader_;
    bool raw_ = false;
    bool end_ = false;
};

class TGzipSource : public TDecodingSource {
public:
    explicit TGzipSource(std::shared_ptr<TRawInput> input)
        : TDecodingSource(std::move(input), TCompression::Gzip, kGzipGap, kGzipMaxPoints) {}
    std::unique_ptr<TDecoder> NewDecoder(const TRestartPoint& point) override {
        return std::make_unique<TGzipDecoder>(*this, point);
    }
};

}  // namespace

std::shared_ptr<TByteSource> MakeGzipSource(std::shared_ptr<TRawInput> input) {
    return std::make_shared<TGzipSource>(std::move(input));
}

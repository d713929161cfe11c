// Zip archives of PGN files, read with libzip: the text is the PGN members
// one after the other (every file member when none is named *.pgn), a line
// feed put between two when the first does not end with one. A deflated
// member is read raw and inflated here, with restart points as in a gzip
// file; a stored member is its own text; xz, zstd and LZMA members are
// decoded here (zip_members.h), other methods through libzip; those restart
// at the member's start.
#include "source/decoding_source.h"
#include "source/inflate_reader.h"
#include "source/zip_members.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::int64_t kZipGap = 2 << 20;
constexpr std::size_t kZipMaxPoints = 2048;

// libzip reads the archive through our input, so that every decoder has an
// archive handle of its own and reads with pread: safe on any thread.
struct TArchiveInput {
    TRawInput* input;
    std::int64_t pos = 0;
    zip_error_t error{};
};

zip_int64_t ArchiveCallback(void* user, void* data, zip_uint64_t len, zip_source_cmd_t cmd) {
    auto* s = static_cast<TArchiveInput*>(user);
    switch (cmd) {
        case ZIP_SOURCE_OPEN: s->pos = 0; return 0;
        case ZIP_SOURCE_READ:
            try {
                const std::size_t got = s->input->ReadAt(s->pos, static_cast<char*>(data), len);
                s->pos += static_cast<std::int64_t>(got);
                return static_cast<zip_int64_t>(got);
            } catch (...) {
                zip_error_set(&s->error, ZIP_ER_READ, EIO);
                return -1;
            }
        case ZIP_SOURCE_CLOSE: return 0;
        case ZIP_SOURCE_STAT: {
            auto* st = static_cast<zip_stat_t*>(data);
            zip_stat_init(st);
            st->size = static_cast<zip_uint64_t>(s->input->Size());
            st->valid |= ZIP_STAT_SIZE;
            return sizeof *st;
        }
        case ZIP_SOURCE_ERROR: return zip_error_to_data(&s->error, data, len);
        case ZIP_SOURCE_FREE:
            zip_error_fini(&s->error);
            delete s;
            return 0;
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t to = zip_source_seek_compute_offset(static_cast<zip_uint64_t>(s->pos),
                                                                  static_cast<zip_uint64_t>(s->input->Size()), data, len, &s->error);
            if (to < 0) return -1;
            s->pos = to;
            return 0;
        }
        case ZIP_SOURCE_TELL: return s->pos;
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                                  ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                                                  ZIP_SOURCE_SUPPORTS, -1);
        default: zip_error_set(&s->error, ZIP_ER_OPNOTSUPP, 0); return -1;
    }
}

struct TZipClose {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using TArchive = std::unique_ptr<zip_t, TZipClose>;
struct TZipFileClose {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};
using TMemberFile = std::unique_ptr<zip_file_t, TZipFileClose>;

TArchive OpenArchive(TRawInput& input) {
    zip_error_t error;
    zip_error_init(&error);
    auto* state = new TArchiveInput{&input};
    zip_error_init(&state->error);
    zip_source_t* source = zip_source_function_create(ArchiveCallback, state, &error);
    if (!source) {
        delete state;
        zip_error_fini(&error);
        throw std::bad_alloc();
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    const int code = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        if (code == ZIP_ER_MEMORY) throw std::bad_alloc();
        // The list of files is the last thing in an archive: a cut one has none.
        ThrowDamaged(input, TCompression::Zip, input.Size(), "its list of files is missing or damaged");
    }
    return TArchive(archive);
}

struct TMember {
    zip_uint64_t index = 0;
    std::string name;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::int64_t size = 0;
    bool encrypted = false;
};

// A member's stored bytes, read raw through libzip (which can seek in them).
class TMemberInput : public TRawInput {
public:
    TMemberInput(zip_t* archive, const TMember& member, const std::string& archiveName)
        : TRawInput(archiveName + " (" + member.name + ")"),
          file_(zip_fopen_index(archive, member.index,
                                member.method == ZIP_CM_DEFLATE || DecodedHere(member.method) ? ZIP_FL_COMPRESSED : 0)) {
        if (!file_) ThrowDamaged(*this, TCompression::Zip, -1, "the member cannot be opened");
    }
    std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) override {
        if (pos != pos_ && zip_fseek(file_.get(), pos, SEEK_SET) != 0) ThrowDamaged(*this, TCompression::Zip, pos);
        const zip_int64_t got = zip_fread(file_.get(), buf, n);
        if (got < 0) ThrowDamaged(*this, TCompression::Zip, pos);
        pos_ = pos + got;
        return static_cast<std::size_t>(got);
    }
    std::int64_t Size() const override { return -1; }

private:
    TMemberFile file_;
    std::int64_t pos_ = 0;
};

class TZipSource;

class TZipDecoder : public TDecoder {
public:
    TZipDecoder(TZipSource& source, const TRestartPoint& point);
    std::size_t Decode(char* buf, std::size_t n) override;
    std::int64_t In() const override { return 0; }

private:
    void OpenMember(const TRestartPoint* resume);
    std::size_t ReadMember(char* buf, std::size_t n, bool& ended);
    void CheckMember();

    TZipSource& source_;
    TArchive archive_;
    std::size_t member_;
    std::unique_ptr<TMemberInput> input_;
    std::unique_ptr<TInflateReader> inflate_;
    std::unique_ptr<TZipMemberDecoder> decoder_;  // xz, zstd, LZMA
    bool fresh_ = false;       // read from the member's start: its checksum can be checked
    std::uint32_t crc_ = 0;
    std::int64_t memberOut_ = 0;
    char lastByte_ = '\n';
    bool needFeed_ = false;    // a line feed is owed after the member just read
};

class TZipSource : public TDecodingSource {
public:
    explicit TZipSource(std::shared_ptr<TRawInput> input)
        : TDecodingSource(std::move(input), TCompression::Zip, kZipGap, kZipMaxPoints) {
        TArchive archive = OpenArchive(*input_);
        const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
        std::vector<TMember> files, pgns;
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t st;
            if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME))
                continue;
            TMember m;
            m.index = static_cast<zip_uint64_t>(i);
            m.name = st.name;
            if (m.name.empty() || m.name.back() == '/') continue;  // a folder
            m.method = static_cast<std::uint16_t>(st.comp_method);
            m.crc = st.crc;
            m.size = static_cast<std::int64_t>(st.size);
            m.encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
            std::string lower = m.name;
            for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            if (lower.ends_with(".pgn")) pgns.push_back(m);
            files.push_back(std::move(m));
        }
        members_ = pgns.empty() ? std::move(files) : std::move(pgns);
        // Only a member that would be read refuses the archive (a locked note beside the games does not).
        for (const TMember& m : members_)
            if (m.encrypted) throw TFileError(input_->Name() + ": " + m.name + " is encrypted and cannot be read");
    }

    std::unique_ptr<TDecoder> NewDecoder(const TRestartPoint& point) override {
        return std::make_unique<TZipDecoder>(*this, point);
    }

    std::vector<TMember> members_;
};

TZipDecoder::TZipDecoder(TZipSource& source, const TRestartPoint& point)
    : source_(source), archive_(OpenArchive(source.Input())), member_(static_cast<std::size_t>(point.unit)) {
    out_ = point.out;
    if (member_ >= source_.members_.size()) return;
    const bool atStart = point.in == 0 && point.state.empty();
    OpenMember(atStart ? nullptr : &point);
}

void TZipDecoder::OpenMember(const TRestartPoint* resume) {
    const TMember& m = source_.members_[member_];
    inflate_.reset();
    input_ = std::make_unique<TMemberInput>(archive_.get(), m, source_.Name());
    fresh_ = resume == nullptr;
    crc_ = 0;
    memberOut_ = 0;
    decoder_.reset();
    if (m.method == ZIP_CM_DEFLATE) {
        inflate_ = std::make_unique<TInflateReader>(*input_, TCompression::Zip);
        if (resume) inflate_->Resume(*resume);
        else inflate_->Begin(0, false);
    } else if (DecodedHere(m.method)) {
        decoder_ = NewZipMemberDecoder(m.method, *input_, m.size);
    }
}

std::size_t TZipDecoder::ReadMember(char* buf, std::size_t n, bool& ended) {
    ended = false;
    if (inflate_) {
        const std::size_t got = inflate_->Inflate(buf, n, ended, &source_.Points(), out_, static_cast<std::int32_t>(member_));
        return got;
    }
    if (decoder_) return decoder_->Read(buf, n, ended);
    const std::size_t got = input_->ReadAt(memberOut_, buf, n);
    ended = got == 0;
    return got;
}

void TZipDecoder::CheckMember() {
    const TMember& m = source_.members_[member_];
    if (fresh_ && (crc_ != m.crc || memberOut_ != m.size))
        ThrowDamaged(*input_, TCompression::Zip, inflate_ ? inflate_->In() : memberOut_, "its checksum does not match");
}

std::size_t TZipDecoder::Decode(char* buf, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        if (needFeed_) {
            buf[done++] = '\n';
            ++out_;
            needFeed_ = false;
            continue;
        }
        if (member_ >= source_.members_.size()) break;
        if (!input_) {
            TRestartPoint start;
            start.out = out_;
            start.unit = static_cast<std::int32_t>(member_);
            source_.Points().Add(start);
            OpenMember(nullptr);
        }
        bool ended = false;
        const std::size_t got = ReadMember(buf + done, n - done, ended);
        if (got > 0) {
            if (fresh_) crc_ = static_cast<std::uint32_t>(crc32(crc_, reinterpret_cast<const Bytef*>(buf + done), static_cast<uInt>(got)));
            lastByte_ = buf[done + got - 1];
            done += got;
            out_ += static_cast<std::int64_t>(got);
            memberOut_ += static_cast<std::int64_t>(got);
        }
        if (ended) {
            CheckMember();
            needFeed_ = memberOut_ > 0 && lastByte_ != '\n';
            inflate_.reset();
            decoder_.reset();
            input_.reset();
            ++member_;
        }
    }
    return done;
}

}  // namespace

std::shared_ptr<TByteSource> MakeZipSource(std::shared_ptr<TRawInput> input) {
    return std::make_shared<TZipSource>(std::move(input));
}

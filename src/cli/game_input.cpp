#include "cli/game_input.h"

#include <cstdio>
#include <unistd.h>

#include "platform/error_text.h"
#include "source/pipe_source.h"

namespace cli {

bool ReadRows(TGameListCore& core, const std::string& path, std::string& error, const TRowSink& sink) {
    bool shown = false;
    if (::isatty(STDERR_FILENO)) {
        core.OnPGNTrace = [&shown](TGameListCore&, std::int32_t percent, TCancelMode&) {
            if (percent == 0) {
                if (shown) std::fputs("\r              \r", stderr);
                shown = false;
                return;
            }
            std::fprintf(stderr, "\rscanning %3d%%", percent > 100 ? 100 : static_cast<int>(percent));
            std::fflush(stderr);
            shown = true;
        };
    }
    bool ok = false;
    std::int32_t handed = 0;
    bool stopped = false;
    if (path != "-") {
        ok = core.OpenForReading(path, error);
    } else {
        try {
            // Without a sink the command reads the games after the scan: a pipe
            // is then kept whole, in a private file.
            std::shared_ptr<TByteSource> source =
                OpenStandardInput(sink ? TStdinUse::OnePass : TStdinUse::RandomAccess);
            auto window = std::dynamic_pointer_cast<TStreamWindow>(source);
            if (window && sink) {
                // Called inside the scan, between two reads, on the scanning
                // thread (a source of unknown size is not read ahead on a
                // thread of its own): every game found so far is whole and goes
                // to the sink; its text can go then.
                window->BeforeReadingOn = [&]() -> std::int64_t {
                    const std::int32_t found = core.EntryCount();
                    if (!stopped && handed < found) {
                        if (!sink(core, handed, found)) {
                            stopped = true;
                            core.CancelMode = cmCancel;
                            window->Stop = true;  // no waiting for more of the pipe
                        }
                        handed = found;
                    }
                    return handed == 0 ? 0 : core.Entry(handed - 1).EndPos;
                };
            }
            ok = core.OpenForReading(source, "-", error);
            if (window) window->BeforeReadingOn = nullptr;
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    core.OnPGNTrace = nullptr;
    if (!ok) return false;
    if (sink && !stopped && handed < core.RowCount()) sink(core, handed, core.RowCount());
    if (core.FileChanged()) {
        error = ChangedText(path);
        return false;
    }
    return true;
}

std::string ChangedText(const std::string& path) {
    return path + " changed while it was read (it is shorter than when it was opened): the answer is incomplete";
}

bool TooLargeToRead(const TGameListCore& core, std::int32_t index, std::size_t maxBytes) {
    if (maxBytes == 0 || core.DatabaseMode()) return false;
    const GameEntry e = core.Entry(index);
    return static_cast<std::uint64_t>(e.EndPos - e.StartPos) > maxBytes;
}

bool FetchRow(TGameListCore& core, const std::string& path, long long number, std::string& text, std::string& error,
              const std::function<std::string(std::int32_t count)>& missing, std::size_t maxBytes) {
    bool found = false;
    const bool ok = ReadRows(core, path, error, [&](TGameListCore& c, std::int32_t, std::int32_t end) {
        if (number > end) return true;
        found = true;
        const std::int32_t index = c.GameIndexOfRow(static_cast<std::int32_t>(number - 1));
        if (TooLargeToRead(c, index, maxBytes)) {
            error = "game " + std::to_string(number) + " of " + path + ": " + kGameTooLargeText;
            return false;
        }
        std::int32_t id = -1;
        c.GetGame(index, id, text);
        if (id < 0) error = "cannot read game " + std::to_string(number) + " of " + path;
        return false;
    });
    if (!ok) return false;
    if (!found) {
        error = missing(core.RowCount());
        return false;
    }
    return error.empty();
}

}  // namespace cli

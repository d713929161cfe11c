// Loading one game's PGN text into the notation.
#include <new>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "collection/game_header.h"
#include "collection/game_text.h"
#include "notation/move_text.h"
#include "notation/notation_core.h"
#include "rules/chess960.h"
#include "rules/fen.h"

namespace {

// Gives the move-change handler back however the load ends.
class HandlerAside {
public:
    explicit HandlerAside(TMoveChangeEvent& slot) : slot_(slot), saved_(std::move(slot)) { slot_ = nullptr; }
    ~HandlerAside() { slot_ = std::move(saved_); }
    HandlerAside(const HandlerAside&) = delete;
    HandlerAside& operator=(const HandlerAside&) = delete;

private:
    TMoveChangeEvent& slot_;
    TMoveChangeEvent saved_;
};

// Does a Variant tag of the game name Chess960?
bool VariantIsChess960(const TGameHeader& header) {
    if (!header.OtherTags) return false;
    constexpr std::string_view kTag = "[Variant \"";
    for (const std::string& line : header.OtherTags->Lines()) {
        std::string_view l(line);
        if (l.substr(0, kTag.size()) != kTag) continue;
        l.remove_prefix(kTag.size());
        return IsChess960Variant(l.substr(0, l.find('"')));
    }
    return false;
}

}  // namespace

int TNotationCore::LoadGame(std::string_view pgnText) { return Load(pgnText, nullptr); }

int TNotationCore::LoadOwnedGame(std::string&& pgnText) {
    std::string owned = std::move(pgnText);
    return Load(owned, &owned);
}

int TNotationCore::Load(std::string_view pgnText, std::string* owned) {
    int result = lgLoaded;
    try {
        {
            HandlerAside aside(OnMoveChange);
            NewGame();
        }
        MoveText.clear();
        const std::string_view text(pgnText);
        if (text.size() > MaxGameBytes) {
            result = lgTooLarge;
        } else if (!TrimBlanks(text).empty()) {
            TGameTextLines lines(text);
            TTag tag;
            while (lines.NextTag(tag)) {
                ParseTagLine(Game.Header, tag.Text);
                Game.TagLines.emplace_back(tag.Text);
            }
            if (lines.HasMoveText()) {
                if (KeepComments) MoveText.reserve(text.size() + 1);
                lines.AppendMoveText(MoveText, KeepComments);
            }
            // The tags and the movetext are read: a text given away goes now,
            // before the moves' comments are copied out of the movetext.
            if (owned) std::string().swap(*owned);
            const bool chess960 = VariantIsChess960(Game.Header);
            if (!Game.Header.FEN.empty()) {
                FENToPosition(Game.Header.FEN, Game.StartPosition, Game.StartState, Game.StartMoveNo);
                Game.CastlingRooks =
                    ReadCastlingRooks(Game.Header.FEN, Game.StartPosition, Game.StartState, chess960);
            } else if (chess960) {
                Game.CastlingRooks = OutermostCastlingRooks(Game.StartPosition, {});
            }
            std::string_view trimmed = TrimBlanks(MoveText);
            if (trimmed.size() != MoveText.size()) {
                size_t first = static_cast<size_t>(trimmed.data() - MoveText.data());
                MoveText.erase(first + trimmed.size());
                MoveText.erase(0, first);
            }
            if (!MoveText.empty() && ParseMoveText()) {
                result = lgMoveError;
                ReadingFailed = true;
                ErrorShown = true;
                if (OnError) OnError(*this, MessageText(msgErrorReadingMoves, english_));
            }
            // The tree holds what was read: the text is not needed again.
            MoveText.clear();
            MoveText.shrink_to_fit();
        }
    } catch (const std::bad_alloc&) {
        result = lgNoMemory;
    } catch (const std::length_error&) {
        result = lgTooLarge;
    } catch (...) {
        result = lgMoveError;
        ReadingFailed = true;
    }
    // Always back at the start position of what could be read.
    Current = nullptr;
    // Never half a game: what cannot be shown whole is not shown at all.
    auto refuse = [this] {
        HandlerAside aside(OnMoveChange);
        MoveText.clear();
        MoveText.shrink_to_fit();
        NewGame();
    };
    if (result == lgTooLarge || result == lgNoMemory) refuse();
    try {
        Relayout();
    } catch (const std::exception& e) {
        const bool tooLarge = dynamic_cast<const std::length_error*>(&e) != nullptr;
        const bool noMemory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr;
        result = tooLarge ? lgTooLarge : noMemory ? lgNoMemory : lgMoveError;
        if (tooLarge || noMemory) {
            try {
                refuse();  // an empty game always lays out
            } catch (...) {
            }
        }
        SyncBoardToCurrent();
    } catch (...) {
        result = lgMoveError;
        SyncBoardToCurrent();
    }
    if (OnMoveChange) OnMoveChange(*this, Game.StartState, Game.StartPosition, false);
    return result;
}

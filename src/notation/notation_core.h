// The Qt-free heart of the notation control: it owns the loaded game, its
// tree, the working position and move record, and the current move, and it
// offers loading, move text and navigation. The widget wraps one of these and
// plugs its layout and painting into the hooks below.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "notation/game_tree.h"
#include "platform/error_text.h"
#include "rules/position.h"

// Passed with OnFischerInfo: squares (mailbox) of the rooks and kings of a
// shuffled start position, rooks in index64 scan order; all 0 otherwise.
struct TFischerInfo {
    uint8_t IsShuffled = 0;
    uint8_t WhiteRook1 = 0;
    uint8_t WhiteRook2 = 0;
    uint8_t BlackRook1 = 0;
    uint8_t BlackRook2 = 0;
    uint8_t WhiteKing = 0;
    uint8_t BlackKing = 0;
    bool operator==(const TFischerInfo&) const = default;
};
static_assert(sizeof(TFischerInfo) == 7, "TFischerInfo is a 7-byte record");

// Results of TNotationCore::LoadGame.
enum : int {
    lgLoaded = 0,
    lgMoveError = -1,   // reading the moves failed; what could be read is loaded
    lgTooLarge = -2,    // the game is too large to show; nothing is loaded
    lgNoMemory = -3,    // memory ran out; nothing is loaded
};

// Raised by the layout when the notation text would outgrow the positions
// it is addressed by (32-bit); LoadGame turns it into lgTooLarge. Its text
// is kGameTooLargeText.
class TGameTooLarge : public std::length_error {
public:
    TGameTooLarge() : std::length_error(kGameTooLargeText) {}
};

// The display model (notation text, row table, comment table) lives with the
// layout; the core only keeps it alive.
struct TNotationDisplay;

class TNotationCore;

// What the layout and painting provide. Every hook is optional: without one
// the core still keeps Current, Board and State consistent.
struct TNotationHooks {
    // Rebuilds the notation from the tree after the tree or Current changed.
    // The core has already brought Board and State in step with Current.
    std::function<void()> Relayout;
    // Brings the current move into view and highlights it.
    std::function<void()> ShowCurrentMove;
    // The variation chooser: candidate is the main move (item 0), its
    // alternatives are items 1, 2, ... Returns -1 for cancel, 0 for the main
    // move, k for the k-th alternative. Without a hook the main move is taken.
    std::function<int(TMoveNode* candidate)> ChooseVariation;
    // Makes the move written at a 1-based position of the notation text
    // current; true if a move was found. Needs the layout.
    std::function<bool(int position)> GoToTextPosition;
    // The notation text (1-based positions as in TMoveNode::TextPos); empty without a layout.
    std::function<const std::string&()> NotationText;
    // The system's default beep.
    std::function<void()> Beep;
};

using TMoveChangeEvent =
    std::function<void(TNotationCore& Sender, TMoveRecord& Move, TBoard& Position, bool NextMove)>;
using TErrorEvent = std::function<void(TNotationCore& Sender, const std::string& ErrorMessage)>;
using TFischerInfoEvent = std::function<void(TNotationCore& Sender, const TFischerInfo& FischerInfo)>;
using TNotifyEvent = std::function<void(TNotationCore& Sender)>;

class TNotationCore {
public:
    TNotationCore();
    ~TNotationCore();
    TNotationCore(const TNotationCore&) = delete;
    TNotationCore& operator=(const TNotationCore&) = delete;

    // ---- model ----
    TGameData Game;
    std::string MoveText;          // movetext assembled by LoadGame, read by the parser (which
                                   // reads past glyphs instead of cutting them out)
    std::string LineBreak = "\n";  // the line end of this platform, for clipboard text
    TBoard Board = InitialPosition;  // position after Current
    TMoveRecord State = FreshState();             // Current's record, or the start state
    TVariationEntry* Root = nullptr;
    TVariationEntry* CurEntry = nullptr;
    TMoveNode* LastNode = nullptr;
    TMoveNode* Current = nullptr;              // none = start position

    // Unrecognised tag lines of the loaded game (Game.Header.OtherTags points
    // here): a sorted list, so in text order without duplicates.
    TStringList OtherTags;

    // ---- flags shared with the layout and the PGN writer ----
    bool ErrorShown = false;   // a reading error was reported; cleared by the layout
    bool PgnMode = false;      // true while the PGN writer runs
    bool GameChanged = false;
    // The loaded text was made from a database record (which keeps no tag
    // text): the PGN writer writes the tags from the header record.
    bool TagsFromRecord = false;
    // The last LoadGame could not read all moves: the notation says so.
    bool ReadingFailed = false;

    // ---- events (raised only when set) ----
    TMoveChangeEvent OnMoveChange;
    TErrorEvent OnError;
    TFischerInfoEvent OnFischerInfo;
    TNotifyEvent OnGameChanged;

    // ---- hooks of the layout and painting, and its display tables ----
    TNotationHooks Hooks;
    std::shared_ptr<TNotationDisplay> Display;

    // Piece letters and message language: true English, false German.
    bool English() const { return english_; }
    void SetEnglish(bool value);

    // ---- tree ----
    void ClearGame();
    void NewGame();
    void DeleteTree();
    TMoveNode* NewMoveNode(const TMoveRecord& move);
    void AppendMove();
    void AddVariationEntry();
    void MakeMove();                    // applies State to Board
    void UnmakeMove(const TMoveRecord& move);   // State must hold the same move
    // Deletes the entry, its line and every line beneath it, and unlinks it
    // from its siblings; ref is updated when it named the removed entry.
    void DeleteVariation(TVariationEntry*& ref);
    bool HasGame() const { return Root && Root->FirstMove; }

    // ---- loading and parsing ----
    // lgLoaded, lgMoveError, lgTooLarge or lgNoMemory (the last two leave
    // an empty game at the start position).
    int LoadGame(std::string_view pgnText);
    // The same, the text given away: it is dropped as soon as it has been
    // read, before the moves are (a huge game is not held twice).
    int LoadOwnedGame(std::string&& pgnText);
    // Longest game text LoadGame takes; a longer one gives lgTooLarge.
    static constexpr size_t kMaxGameBytes = size_t{1} << 30;
    size_t MaxGameBytes = kMaxGameBytes;
    // Off: comments are read as empty ("{}"), for readers that need only the
    // moves (the position search): a huge comment is never copied.
    bool KeepComments = true;
    // Set from another thread: a load in progress stops reading moves (as
    // at a reading error) at once.
    const std::atomic<bool>* Cancel = nullptr;
    bool ParseMoveText();                       // true = error

    // ---- move text ----
    // Short algebraic text of `move`; Board must hold the position before it.
    std::string MoveToText(const TMoveRecord& move);
    std::string NagSymbol(int n) const;

    // ---- navigation ----
    bool StepBack();
    bool StepForward(uint8_t& From, uint8_t& To, uint8_t& Promotion, uint8_t& CastlingKind);
    bool StepForward();
    bool StepForwardBranch();
    bool PrevBranchPoint();
    bool NextBranchPoint();
    bool ToStart();
    bool ToEnd();
    const TMoveRecord* CurrentMove() const { return Current ? &Current->Move : nullptr; }
    const TBoard& CurrentPosition() const { return Board; }
    std::string CurrentComment() const;
    // Makes `node` (a move of the tree, or none for the start) current and
    // replays Board and State to it; raises nothing.
    void SetCurrent(TMoveNode* node);

    // Rebuilds Board and State for Current, then lets the layout rebuild.
    void Relayout();
    void ShowCurrentMove();
    void RaiseMoveChange(bool nextMove);

private:
    int Load(std::string_view pgnText, std::string* owned);
    TVariationEntry* NewEntry();
    void FreeEntry(TVariationEntry* entry);
    void FreeNode(TMoveNode* node);
    void SyncBoardToCurrent();

    bool english_ = false;
    std::array<char, 256> nagSymbols_{};

    // Nodes and entries come from pools: a game of a million moves is built
    // and dropped without a million separate allocations.
    std::vector<std::unique_ptr<TMoveNode[]>> nodeChunks_;
    TMoveNode* freeNodes_ = nullptr;  // linked through Next
    std::vector<std::unique_ptr<TVariationEntry[]>> entryChunks_;
    TVariationEntry* freeEntries_ = nullptr;  // linked through NextVar
    // Last alternative of each move that has some, so that a new one is
    // appended without walking the list; emptied whenever entries go.
    std::unordered_map<const TMoveNode*, TVariationEntry*> variationTails_;

public:
    // The reader notes the position before each castling, en-passant capture
    // and promotion: taking such a move back is exact only when the text was
    // legal there, and StepBack restores the noted position instead of
    // replaying the whole line (which made stepping back through a long line
    // of such moves quadratic).
    void RememberPositionBefore(const TMoveNode* node, const TBoard& before);

    // Glyphs the move record has no place for ($7, $10, $20, ...), in the
    // order read; none: nullptr.
    void AddOtherGlyph(const TMoveNode* node, int nag);
    const std::vector<uint8_t>* OtherGlyphs(const TMoveNode* node) const;

private:
    std::unordered_map<const TMoveNode*, std::array<int8_t, 64>> positionsBefore_;
    std::unordered_map<const TMoveNode*, std::vector<uint8_t>> otherGlyphs_;
};

// Calls fn(node) for every move of the tree below `root`, in the order of the
// game text (a move, then its alternatives, then its continuation). Iterative:
// any nesting depth is fine.
void ForEachNode(TVariationEntry* root, const std::function<void(TMoveNode*)>& fn);

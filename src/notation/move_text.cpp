// Move text, glyph texts, the shuffled-start test and the message table.
#include "notation/move_text.h"

#include <array>
#include <cstdlib>

namespace {

struct NagChar {
    int nag;
    char symbol;
};

// Position glyphs and the character of the notation font that shows each.
constexpr std::array<NagChar, 19> kNagSymbols{{
    {22, 'i'}, {8, 'j'},   {18, 'k'},  {16, 'l'},  {14, 'm'},  {11, 'n'},  {13, 'o'},
    {15, 'p'}, {17, 'q'},  {19, 'r'},  {44, 's'},  {132, 't'}, {36, 'u'},  {40, 'v'},
    {138, 'w'}, {32, 'y'}, {146, 'z'}, {140, '|'}, {142, '~'},
}};

// Piece letters by kind (index 0 unused, 1 pawn .. 6 king).
constexpr std::array<const char*, 7> kEnglishLetters{"", "", "R", "B", "N", "Q", "K"};
constexpr std::array<const char*, 7> kGermanLetters{"", "", "T", "L", "S", "D", "K"};

}  // namespace

std::string MoveNagText(int code) {
    switch (code) {
        case 1: return "!";
        case 2: return "!!";
        case 3: return "?";
        case 4: return "??";
        case 5: return "!?";
        case 6: return "?!";
        default: return {};
    }
}

std::string MoveNagPgn(int code) {
    switch (code) {
        case 1: return "$1";
        case 2: return "$3";
        case 3: return "$2";
        case 4: return "$4";
        case 5: return "$5";
        case 6: return "$6";
        default: return {};
    }
}

std::string NagNumberText(int n) { return "$" + std::to_string(static_cast<uint8_t>(n)); }

std::string FixedNagSymbol(int n) {
    for (const NagChar& e : kNagSymbols)
        if (e.nag == n) return std::string(1, e.symbol);
    return {};
}

std::string TNotationCore::NagSymbol(int n) const {
    if (PgnMode) return FixedNagSymbol(n);
    if (n < 0 || n > 255 || nagSymbols_[n] == 0) return {};
    return std::string(1, nagSymbols_[n]);
}

bool IsShuffledStart(const TBoard& board) {
    bool identical = true;
    bool kingOrRookMoved = false;
    for (int i = 0; i < 64; ++i) {
        int sq = Index64ToSquare(i);
        int v = board[sq];
        if (i < 8) {
            if (v <= 0) return false;
        } else if (i < 16) {
            if (v != Pawn) return false;
        } else if (i < 48) {
            if (v != 0) return false;
        } else if (i < 56) {
            if (v != -Pawn) return false;
        } else {
            if (v >= 0) return false;
        }
        if (v != InitialPosition[sq]) identical = false;
    }
    const int e1 = 25, a1 = 21, h1 = 28, e8 = 95, a8 = 91, h8 = 98;
    if (board[e1] != King || board[a1] != Rook || board[h1] != Rook || board[e8] != -King ||
        board[a8] != -Rook || board[h8] != -Rook)
        kingOrRookMoved = true;
    return !identical && kingOrRookMoved;
}

TFischerInfo FischerInfoOf(const TBoard& board) {
    TFischerInfo info;
    if (!IsShuffledStart(board)) return info;
    info.IsShuffled = 1;
    for (int i = 0; i < 64; ++i) {
        int sq = Index64ToSquare(i);
        switch (board[sq]) {
            case King: info.WhiteKing = static_cast<uint8_t>(sq); break;
            case -King: info.BlackKing = static_cast<uint8_t>(sq); break;
            case Rook:
                if (!info.WhiteRook1) info.WhiteRook1 = static_cast<uint8_t>(sq);
                else if (!info.WhiteRook2) info.WhiteRook2 = static_cast<uint8_t>(sq);
                break;
            case -Rook:
                if (!info.BlackRook1) info.BlackRook1 = static_cast<uint8_t>(sq);
                else if (!info.BlackRook2) info.BlackRook2 = static_cast<uint8_t>(sq);
                break;
            default: break;
        }
    }
    return info;
}

const std::string& MessageText(TMessagePair pair, bool english) {
    static const std::array<std::string, 12> table{
        "Kann Datei nicht lesen.",
        "Cannot read file.",
        "Partie nicht gefunden.",
        "Game not found.",
        "Fehler im PGN-Format.",
        "Error in PGN.",
        "Beim Einlesen der Z\xC3\xBCge ist ein Fehler aufgetreten.",
        "Error reading moves.",
        "Datei nicht gefunden.",
        "File not found.",
        "Partie konnte nicht gespeichert werden.",
        "Could not save game.",
    };
    int index = 2 * static_cast<int>(pair) + (english ? 1 : 0);
    if (index < 0 || index >= static_cast<int>(table.size())) index = 2 * msgErrorReadingMoves + (english ? 1 : 0);
    return table[static_cast<size_t>(index)];
}

const std::string& MoveTextErrorMessage(bool english) {
    static const std::string german = "Beim Einlesen der Z\xC3\xBCge ist ein Fehler aufgetreten.";
    static const std::string englishText = "Error while reading the moves.";
    return english ? englishText : german;
}

std::string TNotationCore::MoveToText(const TMoveRecord& move) {
    std::string text;
    const auto& letters = english_ ? kEnglishLetters : kGermanLetters;
    int p = 0;
    const bool castling = move.CastleKind == 1 || move.CastleKind == 2;
    const bool null = IsNullMove(move);
    if (castling) {
        text = move.CastleKind == 1 ? "O-O" : "O-O-O";
    } else if (null) {
        text = "--";
    } else {
        bool from = IsRealSquare(move.FromSq);
        bool to = IsRealSquare(move.ToSq);
        p = from ? std::abs(Board[move.FromSq]) : 0;
        if (p > King) p = 0;
        bool occupied = to && Board[move.ToSq] != 0;
        std::string_view fromName = from ? SquareName(move.FromSq) : std::string_view("??");
        if ((p == Pawn && occupied) || move.EpVictim != 0) text += fromName[0];
        else if (p != 0) text += letters[static_cast<size_t>(p)];
        if (move.Flags & FileGiven) text += fromName[0];
        if (move.Flags & RankGiven) text += fromName[1];
        if (occupied || move.EpVictim != 0) text += 'x';
        text += to ? SquareName(move.ToSq) : std::string_view("??");
        if (move.Promotion != 0) {
            int kind = std::abs(move.Promotion);
            if (kind >= Rook && kind <= King) text += std::string("=") + letters[static_cast<size_t>(kind)];
            else if (kind == Pawn) text += "=P";
        }
    }
    if (move.Flags & CheckSign) text += '+';
    if (move.Flags & MateSign) text += '#';
    text += MoveNagText(move.MoveNag);
    text += NagSymbol(move.PositionNag);
    if (!castling && !null && p == 0 && !ErrorShown) {
        ErrorShown = true;
        if (OnError) OnError(*this, MoveTextErrorMessage(english_));
    }
    return text;
}

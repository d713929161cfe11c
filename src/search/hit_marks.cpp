#include "search/hit_marks.h"

#include <string_view>

namespace {

bool BlankOnly(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) > 32) return false;
    return true;
}

// Takes every `word` out of a stored comment ("{a}", "{a} | {b}", "{a}{b} ")
// and drops the parts left blank; the rest keeps its separators.
void TakeOut(std::string& comment, const std::string& word, std::string_view separator) {
    if (comment.find(word) == std::string::npos) return;
    for (size_t at; (at = comment.find(word)) != std::string::npos;) comment.erase(at, word.size());
    const bool trailingBlank = !comment.empty() && comment.back() == ' ';
    std::string kept;
    for (size_t i = comment.find('{'); i != std::string::npos; i = comment.find('{', i)) {
        size_t close = comment.find('}', i);
        if (close == std::string::npos) close = comment.size() - 1;
        const std::string_view part(comment.data() + i, close - i + 1);
        if (!BlankOnly(part.substr(1, part.size() - 2 + (part.back() != '}')))) {
            if (!kept.empty()) kept += separator;
            kept += part;
        }
        i = close + 1;
    }
    if (!kept.empty() && trailingBlank) kept += ' ';
    comment.swap(kept);
}

}  // namespace

void MarkHits(TNotationCore& core, const std::vector<int32_t>& plies, const std::string& word) {
    if (!word.empty()) {
        TakeOut(core.Game.IntroComment, word, "");
        ForEachNode(core.Root, [&](TMoveNode* node) {
            TakeOut(node->Comment, word, " | ");
            for (TVariationEntry* v = node->Variations; v; v = v->NextVar) TakeOut(v->Comment, word, " | ");
        });
    }
    const std::string mark = "{" + word + "}";
    size_t next = 0;
    if (next < plies.size() && plies[next] == 0) {
        core.Game.IntroComment = mark + " " + core.Game.IntroComment;
        ++next;
    }
    int32_t ply = 0;
    for (TMoveNode* m = core.Root ? core.Root->FirstMove : nullptr; m && next < plies.size(); m = m->Next) {
        if (++ply != plies[next]) continue;
        if (m->Comment.empty()) m->Comment = mark;
        else m->Comment.append(" | ").append(mark);
        ++next;
    }
}

#include "cli/filter_args.h"

namespace cli {

namespace {

// A count of at most five digits; false for anything else.
bool ParseCount(const std::string& text, int& value) {
    long long n = 0;
    if (!ParseInt(text, n) || n < 0 || n >= 100000) return false;
    value = static_cast<int>(n);
    return true;
}

// One criterion and its value; false with a reason (empty: a usage error).
bool ParseCriterion(const std::string& option, const std::string& value, TFilterCriteria& c, std::string& error) {
    if (option == "--white") c.White = value;
    else if (option == "--black") c.Black = value;
    else if (option == "--player") c.Player = value;
    else if (option == "--opening") c.Opening = value;
    else if (option == "--elo-min") return ParseCount(value, c.EloMin);
    else if (option == "--moves-min") return ParseCount(value, c.MovesMin);
    else if (option == "--moves-max") return ParseCount(value, c.MovesMax);
    else if (option == "--years") {
        if (!ParseYearRange(value, c.YearFrom, c.YearTo)) error = "bad year range '" + value + "'";
    } else if (option == "--eco") {
        if (!ParseEcoRange(value, c.EcoFrom, c.EcoTo)) error = "bad ECO range '" + value + "'";
    } else if (option == "--result") {
        if (!ParseResult(value, c.Result)) error = "bad result '" + value + "'";
    } else if (option == "--fen") {
        if (!TargetFromFEN(value, c.Position, error)) error = "bad FEN: " + error;
        c.HasPosition = true;
    } else {
        return false;
    }
    return error.empty();
}

}  // namespace

bool ParseFilterArgs(const CliArgs& args, TFilterArgs& a, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& o = args[i];
        const bool valued = i + 1 < args.size();
        if (o == "--no-duplicates") {
            a.criteria.NoDuplicates = true;
        } else if (o == "--desc") {
            a.descending = true;
        } else if (o == "--force") {
            a.force = true;
        } else if ((o == "--sort" || o == "--out") && valued) {
            (o == "--sort" ? a.columnName : a.out) = args[++i];
            a.sort = a.sort || o == "--sort";
        } else if (o.rfind("--", 0) == 0) {
            if (!valued || !ParseCriterion(o, args[++i], a.criteria, error)) return false;
        } else if (a.file.empty()) {
            a.file = o;
        } else {
            return false;
        }
    }
    return !a.file.empty() && (a.sort || !a.descending);
}

}  // namespace cli

// The arguments of `quarzel-cli filter`: the file, the criteria, the order
// and the output.
#pragma once

#include <string>

#include "cli/command.h"
#include "search/game_filter.h"

namespace cli {

struct TFilterArgs {
    std::string file, out, columnName;
    bool sort = false, descending = false, force = false;
    TFilterCriteria criteria;
};

// False with a reason, or with an empty reason for a usage error.
bool ParseFilterArgs(const CliArgs& args, TFilterArgs& parsed, std::string& error);

}  // namespace cli

// quarzel-cli graph: draws the evaluation and clock graph of one game through
// the viewer's own graph widget, offscreen, into a PNG file.
#include <QImage>
#include <QPixmap>
#include <string>

#include "cli/command.h"
#include "cli/game_reading.h"
#include "notation/eval_series.h"
#include "notation/qt/eval_graph.h"

namespace {

int RunGraph(const CliArgs& args);

const CliCommand kGraph{"graph", "FILE N OUT.png [--width W] [--height H]",
                        "draw the evaluation and clock graph of game N as a PNG picture", RunGraph,
                        "The graph is the viewer's own: the evaluation (White's view, within 5 pawns,\n"
                        "mates at the edge) from [%eval] commands and engine comments, each side's\n"
                        "clock from [%clk] commands; 480 x 120 pixels unless told otherwise. A game\n"
                        "without either gives a picture that says so.",
                        true};

int RunGraph(const CliArgs& args) {
    std::vector<std::string> positional;
    long long width = 480, height = 120;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--width" || a == "--height") {
            long long& v = a == "--width" ? width : height;
            if (i + 1 >= args.size() || !cli::ParseInt(args[i + 1], v) || v < 40 || v > 4000)
                return cli::UsageError(kGraph);
            ++i;
        } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
            return cli::UsageError(kGraph);
        } else {
            positional.push_back(a);
        }
    }
    long long number = 0;
    if (positional.size() != 3 || !cli::ParseInt(positional[1], number) || number < 1)
        return cli::UsageError(kGraph);

    TNotationCore core;
    std::string error;
    if (!cli::LoadGameOfFile(positional[0], number, core, error)) return cli::Fail(error);
    auto app = cli::StartOffscreenApp();
    TEvalGraph graph;
    graph.resize(static_cast<int>(width), static_cast<int>(height));
    graph.SetSeries(MainLineSeries(core));
    const QImage image = graph.grab().toImage();
    if (image.isNull() || !image.save(QString::fromLocal8Bit(positional[2].c_str()), "PNG"))
        return cli::Fail("cannot write " + positional[2]);
    return 0;
}

}  // namespace

QUARZEL_CLI_COMMAND(kGraph);

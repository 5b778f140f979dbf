// dxfcnv render: a saved map drawn as SVG.
#include "app/cli.h"
#include "app/svg_render.h"

#include "standin/standin.h"

namespace dxfcnv {

namespace {

constexpr std::string_view kUsage =
    "usage: dxfcnv render MAP.json -o FILE.svg [--layers NAME,NAME...] [--width PX]\n"
    "\n"
    "Draws the map saved in MAP.json as SVG: one group per layer in map order, the y axis\n"
    "pointing up, the view fitted to the objects.\n"
    "\n"
    "  -o, --output FILE.svg  where to write the drawing (\"-\": standard output)\n"
    "  --layers NAMES         draw only these layers (names separated by commas); without it\n"
    "                         every layer is written and the frozen ones are hidden\n"
    "  --width PX             the width of the drawing in pixels (default 1024)\n"
    "\n"
    "Exit status: 0 drawn, 1 the drawing could not be written, 2 usage error, unknown layer or\n"
    "unreadable map document.\n";

std::vector<std::string> SplitNames(std::string_view list) {
    std::vector<std::string> names;
    for (std::size_t begin = 0;;) {
        const std::size_t comma = list.find(',', begin);
        names.emplace_back(list.substr(begin, comma - begin));
        if (comma == std::string_view::npos) {
            return names;
        }
        begin = comma + 1;
    }
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

// Reads the command line into `svg`; a message for the usage error otherwise.
std::optional<std::string> ParseOptions(const Invocation& invocation, std::string& mapPath,
                                        std::string& outputPath, SvgOptions& svg) {
    std::optional<std::string> layers;
    std::optional<std::string> width;
    CommandLine line;
    line.Positional(mapPath, "map document")
        .Required("-o,--output", outputPath, "missing -o FILE.svg");
    line.Option("--layers", layers).Option("--width", width);
    if (auto problem = line.Parse(invocation.args))
        return problem;
    if (layers)
        svg.layers = SplitNames(*layers);
    if (width) {
        const auto pixels = ParseNumber<std::int32_t>(*width);
        if (!pixels || *pixels < 1 || *pixels > kMaxSvgWidthPx) {
            return "--width takes a whole number of pixels from 1 to " +
                   std::to_string(kMaxSvgWidthPx) + ", not " + *width;
        }
        svg.widthPx = *pixels;
    }
    return std::nullopt;
}

int RunRender(const Invocation& invocation) {
    std::string mapPath;
    std::string outputPath;
    SvgOptions svg;
    if (const auto problem = ParseOptions(invocation, mapPath, outputPath, svg))
        return UsageError(kRenderCommand, *problem);
    MapWindow map;
    if (!LoadMap(kRenderCommand, map.handle, mapPath))
        return kExitUsage;
    if (const auto unknown = UnknownLayers(standin::Snapshot(map.handle), svg.layers);
        !unknown.empty()) {
        return Failure(kRenderCommand, mapPath + ": no layer named " + JoinNames(unknown),
                       kExitUsage);
    }
    std::string error;
    if (!WriteSvgFile(map.handle, svg, outputPath, &error))
        return Failure(kRenderCommand, outputPath + ": " + error, kExitFailed);
    return kExitOk;
}

} // namespace

const Command kRenderCommand{"render", "draw a saved map as SVG", kUsage, RunRender};

} // namespace dxfcnv

// dxfcnv render: a saved map drawn as SVG; and the GeoJSON of a saved map for dxfcnv export.
#include "app/cmd_render.h"
#include "app/geojson_writer.h"
#include "app/svg_render.h"

#include "standin/standin.h"

#include <charconv>
#include <cstdio>

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

struct RenderOptions {
    std::string mapPath;
    std::string outputPath;
    SvgOptions svg;
};

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

std::optional<std::int32_t> ParseWidth(std::string_view text) {
    std::int32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 1 ||
        value > kMaxSvgWidthPx) {
        return std::nullopt;
    }
    return value;
}

// Parses the arguments; a message for the usage error otherwise.
std::optional<std::string> ParseOptions(const std::vector<std::string>& args,
                                        RenderOptions& options) {
    bool haveMap = false;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& argument = args[i];
        if (!IsOption(argument)) {
            if (haveMap) {
                return "more than one map document: " + argument;
            }
            options.mapPath = argument;
            haveMap = true;
            continue;
        }
        if (argument != "-o" && argument != "--output" && argument != "--layers" &&
            argument != "--width") {
            return "unknown option " + argument;
        }
        const auto value = TakeOptionValue(args, i);
        if (!value) {
            return argument + " needs a value";
        }
        if (argument == "--layers") {
            options.svg.layers = SplitNames(*value);
        } else if (argument == "--width") {
            const auto width = ParseWidth(*value);
            if (!width) {
                return "--width takes a whole number of pixels from 1 to " +
                       std::to_string(kMaxSvgWidthPx) + ", not " + *value;
            }
            options.svg.widthPx = *width;
        } else {
            options.outputPath = *value;
            haveOutput = true;
        }
    }
    if (!haveMap) {
        return std::string("missing map document");
    }
    if (!haveOutput) {
        return std::string("missing -o FILE.svg");
    }
    return std::nullopt;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

int RunRender(const Invocation& invocation) {
    RenderOptions options;
    if (const auto problem = ParseOptions(invocation.args, options)) {
        return UsageError(kRenderCommand, *problem);
    }
    const HWND map = standin::CreateMapWindow();
    std::string error;
    int status = kExitOk;
    if (!standin::LoadMapDocument(map, options.mapPath, &error)) {
        status = Failure(kRenderCommand, options.mapPath + ": " + error, kExitUsage);
    } else if (const auto unknown = UnknownLayers(standin::Snapshot(map), options.svg.layers);
               !unknown.empty()) {
        status = Failure(kRenderCommand, options.mapPath + ": no layer named " + JoinNames(unknown),
                         kExitUsage);
    } else if (!WriteSvgFile(map, options.svg, options.outputPath, &error)) {
        status = Failure(kRenderCommand, options.outputPath + ": " + error, kExitFailed);
    }
    standin::DestroyMapWindow(map);
    return status;
}

} // namespace

int ExportGeoJson(const Command& command, const std::string& mapPath,
                  const std::string& outputPath) {
    const HWND map = standin::CreateMapWindow();
    std::string error;
    int status = kExitOk;
    if (!standin::LoadMapDocument(map, mapPath, &error)) {
        status = Failure(command, mapPath + ": " + error, kExitUsage);
    } else if (!WriteGeoJsonFile(map, outputPath, &error)) {
        status = Failure(command, outputPath + ": " + error, kExitFailed);
    }
    standin::DestroyMapWindow(map);
    return status;
}

const Command kRenderCommand{"render", "draw a saved map as SVG", kUsage, RunRender};

} // namespace dxfcnv

// dxfgen: writes a large, deterministic DXF drawing for the benchmark. The same options and seed
// always give the same bytes: the random numbers come from our own generator, never from the
// standard library's distributions, whose results differ between implementations.
//
// The default drawing stands for a survey plan: per 100 MB about 67,000 entities with about a
// million vertices, 57 % of the bytes POLYLINE/VERTEX and 30 % LWPOLYLINE, the rest lines, arcs,
// circles, points, texts and INSERTs with ATTRIBs of a few blocks, on 40 layers, CR LF line ends.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "usage: dxfgen [options] OUTPUT.dxf\n"
    "\n"
    "  --size MB             stop once the ENTITIES section holds this many megabytes (10^6\n"
    "                        bytes; default 100)\n"
    "  --entities N          stop after N entities instead (overrides --size)\n"
    "  --seed N              seed of the random numbers (default 1)\n"
    "  --lf                  LF line ends (default CR LF)\n"
    "  --r12                 no handles and subclass markers (smaller entities)\n"
    "  --mix LIST            entity weights; the default is polyline=184,lwpolyline=172,\n"
    "                        line=90,arc=30,circle=30,point=30,text=45,insert=87\n"
    "  --vertices MIN-MAX    vertices of a POLYLINE (default 10-30)\n"
    "  --lw-vertices MIN-MAX vertices of an LWPOLYLINE (default 20-60)\n"
    "  --layers N            layers (default 40)\n"
    "  --layer-cycle         entities take the layers in turn instead of at random, so that\n"
    "                        every entity changes the layer\n"
    "  --blocks N            block definitions (default 20)\n"
    "  --block-entities N    entities of a block (default 4)\n"
    "  --attribs N           ATTRIBs of an INSERT (default 4)\n"
    "  --single-polyline N   write one POLYLINE of N vertices and nothing else in ENTITIES\n"
    "\n"
    "Prints the counts of what it wrote to stderr.\n";

// splitmix64: small, fast and the same everywhere.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // An integer in [low, high].
    std::int64_t Between(std::int64_t low, std::int64_t high) {
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<std::int64_t>(Next() % span);
    }
    // A real in [low, high) with 1/10000 steps, as survey coordinates in metres to 0.1 mm.
    double Real(double low, double high) {
        const auto steps = static_cast<std::uint64_t>((high - low) * 10000.0);
        return low + static_cast<double>(Next() % steps) / 10000.0;
    }

  private:
    std::uint64_t state_;
};

enum Kind { kPolyline, kLwPolyline, kLine, kArc, kCircle, kPoint, kText, kInsert, kKindCount };
constexpr const char* kKindNames[kKindCount] = {"polyline", "lwpolyline", "line", "arc",
                                                "circle",   "point",      "text", "insert"};
constexpr const char* kKindKeywords[kKindCount] = {"POLYLINE", "LWPOLYLINE", "LINE", "ARC",
                                                   "CIRCLE",   "POINT",      "TEXT", "INSERT"};

struct Range {
    std::int64_t low = 0;
    std::int64_t high = 0;
};

struct Options {
    std::string output;
    double sizeMb = 100.0;
    std::optional<std::int64_t> entities;
    std::uint64_t seed = 1;
    bool crlf = true;
    bool r12 = false;
    std::int64_t weights[kKindCount] = {184, 172, 90, 30, 30, 30, 45, 87};
    Range vertices{10, 30};
    Range lwVertices{20, 60};
    std::int64_t layers = 40;
    bool layerCycle = false;
    std::int64_t blocks = 20;
    std::int64_t blockEntities = 4;
    std::int64_t attribs = 4;
    std::optional<std::int64_t> singlePolyline;
};

struct Counts {
    std::int64_t entities[kKindCount] = {};
    std::uint64_t bytes[kKindCount] = {};
    std::int64_t vertices = 0;
    std::int64_t attribs = 0;
};

// The output: groups formatted into a large buffer that reaches the file in big writes.
class Writer {
  public:
    Writer(std::FILE* file, bool crlf) : file_(file), lineEnd_(crlf ? "\r\n" : "\n") {
        buffer_.reserve(kFlushSize + 4096);
    }
    ~Writer() { Flush(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Code lines right-aligned in three columns, as the common CAD programs write them.
    void Code(int code) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, code).ptr;
        const auto length = static_cast<std::size_t>(end - digits);
        if (length < 3)
            buffer_.append(3 - length, ' ');
        buffer_.append(digits, length);
        buffer_ += lineEnd_;
    }
    void Text(int code, std::string_view text) {
        Code(code);
        buffer_ += text;
        buffer_ += lineEnd_;
        FlushIfFull();
    }
    void Int(int code, std::int64_t value) {
        Code(code);
        char digits[24];
        const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        buffer_.append(digits, static_cast<std::size_t>(end - digits));
        buffer_ += lineEnd_;
        FlushIfFull();
    }
    void Real(int code, double value, int decimals = 4) {
        Code(code);
        char digits[64];
        const auto end =
            std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals)
                .ptr;
        buffer_.append(digits, static_cast<std::size_t>(end - digits));
        buffer_ += lineEnd_;
        FlushIfFull();
    }
    std::uint64_t Written() const { return flushed_ + buffer_.size(); }
    bool Flush() {
        if (!buffer_.empty() &&
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
            failed_ = true;
        flushed_ += buffer_.size();
        buffer_.clear();
        return !failed_;
    }
    bool Failed() const { return failed_; }

  private:
    static constexpr std::size_t kFlushSize = std::size_t{4} << 20;
    void FlushIfFull() {
        if (buffer_.size() >= kFlushSize)
            Flush();
    }
    std::FILE* file_;
    std::string_view lineEnd_;
    std::string buffer_;
    std::uint64_t flushed_ = 0;
    bool failed_ = false;
};

// The drawing's extent: a 10 km square of a national grid.
constexpr double kMinX = 480000.0;
constexpr double kMinY = 5400000.0;
constexpr double kExtent = 10000.0;

// A name made of a prefix and a number (appended, not concatenated with +, which GCC 12 warns
// about falsely at -O3).
std::string Numbered(std::string_view prefix, std::int64_t index) {
    std::string name(prefix);
    name += std::to_string(index);
    return name;
}
std::string LayerName(std::int64_t index) {
    return Numbered("LAYER_", index);
}
std::string BlockName(std::int64_t index) {
    return Numbered("BLOCK_", index);
}
std::string TagName(std::int64_t index) {
    return Numbered("TAG", index);
}

class Drawing {
  public:
    Drawing(const Options& options, Writer& out)
        : options_(options), out_(out), random_(options.seed) {}

    void Write() {
        WriteHeader();
        WriteTables();
        WriteBlocks();
        out_.Text(0, "SECTION");
        out_.Text(2, "ENTITIES");
        if (options_.singlePolyline)
            WritePolyline(*options_.singlePolyline);
        else
            WriteEntities();
        out_.Text(0, "ENDSEC");
        out_.Text(0, "EOF");
    }
    const Counts& Totals() const { return counts_; }

  private:
    void WriteHeader() {
        out_.Text(0, "SECTION");
        out_.Text(2, "HEADER");
        out_.Text(9, "$ACADVER");
        out_.Text(1, "AC1009");
        out_.Text(9, "$EXTMIN");
        out_.Real(10, kMinX);
        out_.Real(20, kMinY);
        out_.Real(30, 0.0);
        out_.Text(9, "$EXTMAX");
        out_.Real(10, kMinX + kExtent);
        out_.Real(20, kMinY + kExtent);
        out_.Real(30, 0.0);
        out_.Text(0, "ENDSEC");
    }

    void WriteTables() {
        out_.Text(0, "SECTION");
        out_.Text(2, "TABLES");
        out_.Text(0, "TABLE");
        out_.Text(2, "LAYER");
        out_.Int(70, options_.layers);
        for (std::int64_t i = 0; i < options_.layers; ++i) {
            out_.Text(0, "LAYER");
            out_.Text(2, LayerName(i));
            out_.Int(70, 0);
            out_.Int(62, 1 + i % 255);
            out_.Text(6, "CONTINUOUS");
        }
        out_.Text(0, "ENDTAB");
        out_.Text(0, "ENDSEC");
    }

    void WriteBlocks() {
        out_.Text(0, "SECTION");
        out_.Text(2, "BLOCKS");
        for (std::int64_t b = 0; b < options_.blocks; ++b) {
            const std::string name = BlockName(b);
            Head("BLOCK", "0", "AcDbBlockBegin");
            out_.Text(2, name);
            out_.Int(70, options_.attribs > 0 ? 2 : 0);
            out_.Real(10, 0.0);
            out_.Real(20, 0.0);
            out_.Real(30, 0.0);
            out_.Text(3, name);
            for (std::int64_t e = 0; e < options_.blockEntities; ++e)
                WriteBlockEntity(e);
            for (std::int64_t a = 0; a < options_.attribs; ++a) {
                Head("ATTDEF", "0", "AcDbText");
                out_.Real(10, 0.0);
                out_.Real(20, -1.0 - static_cast<double>(a));
                out_.Real(30, 0.0);
                out_.Real(40, 0.5);
                out_.Text(1, "");
                out_.Text(3, Numbered("Value ", a));
                out_.Text(2, TagName(a));
                out_.Int(70, 0);
            }
            Head("ENDBLK", "0", "AcDbBlockEnd");
        }
        out_.Text(0, "ENDSEC");
    }

    // A small symbol around the base point: a cross of lines and a circle.
    void WriteBlockEntity(std::int64_t index) {
        const double size = 0.5 + static_cast<double>(index % 3);
        if (index % 4 == 3) {
            Head("CIRCLE", "0", "AcDbCircle");
            out_.Real(10, 0.0);
            out_.Real(20, 0.0);
            out_.Real(30, 0.0);
            out_.Real(40, size);
            return;
        }
        Head("LINE", "0", "AcDbLine");
        out_.Real(10, -size);
        out_.Real(20, index % 2 ? size : -size);
        out_.Real(30, 0.0);
        out_.Real(11, size);
        out_.Real(21, index % 2 ? -size : size);
        out_.Real(31, 0.0);
    }

    void WriteEntities() {
        std::int64_t totalWeight = 0;
        for (const std::int64_t weight : options_.weights)
            totalWeight += weight;
        const std::uint64_t start = out_.Written();
        const auto limit = static_cast<std::uint64_t>(options_.sizeMb * 1e6);
        for (std::int64_t n = 0;; ++n) {
            if (options_.entities ? n >= *options_.entities : out_.Written() - start >= limit)
                break;
            std::int64_t pick = random_.Between(0, totalWeight - 1);
            int kind = 0;
            while (pick >= options_.weights[kind])
                pick -= options_.weights[kind++];
            const std::uint64_t before = out_.Written();
            WriteEntity(static_cast<Kind>(kind));
            counts_.bytes[kind] += out_.Written() - before;
        }
    }

    void WriteEntity(Kind kind) {
        switch (kind) {
        case kPolyline:
            return WritePolyline(random_.Between(options_.vertices.low, options_.vertices.high));
        case kLwPolyline:
            return WriteLwPolyline();
        case kLine:
            return WriteLine();
        case kArc:
            return WriteArc(false);
        case kCircle:
            return WriteArc(true);
        case kPoint:
            return WritePoint();
        case kText:
            return WriteText();
        case kInsert:
            return WriteInsert();
        case kKindCount:
            break;
        }
    }

    // An entity's first groups: its name and, unless --r12, the handle, owner and subclass
    // markers that later versions of the format write; then the layer.
    void Head(std::string_view keyword, std::string_view layer, std::string_view subclass) {
        out_.Text(0, keyword);
        if (!options_.r12) {
            char digits[24];
            const char* end = std::to_chars(digits, digits + sizeof digits, ++handle_, 16).ptr;
            out_.Text(5, std::string_view(digits, static_cast<std::size_t>(end - digits)));
            out_.Text(330, "1F");
            out_.Text(100, "AcDbEntity");
        }
        out_.Text(8, layer);
        if (!options_.r12 && !subclass.empty())
            out_.Text(100, subclass);
    }

    const std::string& NextLayer() {
        if (options_.layerCycle)
            layerIndex_ = (layerIndex_ + 1) % options_.layers;
        else
            layerIndex_ = random_.Between(0, options_.layers - 1);
        layerName_ = LayerName(layerIndex_);
        return layerName_;
    }

    double X() { return random_.Real(kMinX, kMinX + kExtent); }
    double Y() { return random_.Real(kMinY, kMinY + kExtent); }

    // A walk of short steps from a random start, as a road edge or a parcel boundary.
    void WriteWalk(std::int64_t count, bool lightweight, const std::string& layer) {
        double x = X();
        double y = Y();
        for (std::int64_t i = 0; i < count; ++i) {
            if (!lightweight) {
                Head("VERTEX", layer, "AcDb2dVertex");
            }
            out_.Real(10, x);
            out_.Real(20, y);
            if (!lightweight)
                out_.Real(30, 0.0);
            x += random_.Real(-20.0, 20.0);
            y += random_.Real(-20.0, 20.0);
        }
        counts_.vertices += count;
    }

    void WritePolyline(std::int64_t vertices) {
        const std::string layer = NextLayer();
        Head("POLYLINE", layer, "AcDb2dPolyline");
        out_.Int(66, 1);
        out_.Real(10, 0.0);
        out_.Real(20, 0.0);
        out_.Real(30, 0.0);
        out_.Int(70, random_.Between(0, 3) == 0 ? 1 : 0);
        WriteWalk(vertices, false, layer);
        Head("SEQEND", layer, "");
        ++counts_.entities[kPolyline];
    }

    void WriteLwPolyline() {
        const std::int64_t vertices =
            random_.Between(options_.lwVertices.low, options_.lwVertices.high);
        Head("LWPOLYLINE", NextLayer(), "AcDbPolyline");
        out_.Int(90, vertices);
        out_.Int(70, random_.Between(0, 3) == 0 ? 1 : 0);
        out_.Real(43, 0.0);
        WriteWalk(vertices, true, layerName_);
        ++counts_.entities[kLwPolyline];
    }

    void WriteLine() {
        Head("LINE", NextLayer(), "AcDbLine");
        const double x = X();
        const double y = Y();
        out_.Real(10, x);
        out_.Real(20, y);
        out_.Real(30, 0.0);
        out_.Real(11, x + random_.Real(-50.0, 50.0));
        out_.Real(21, y + random_.Real(-50.0, 50.0));
        out_.Real(31, 0.0);
        ++counts_.entities[kLine];
    }

    void WriteArc(bool circle) {
        Head(circle ? "CIRCLE" : "ARC", NextLayer(), "AcDbCircle");
        out_.Real(10, X());
        out_.Real(20, Y());
        out_.Real(30, 0.0);
        out_.Real(40, random_.Real(0.5, 30.0));
        if (!circle) {
            out_.Real(50, random_.Real(0.0, 360.0));
            out_.Real(51, random_.Real(0.0, 360.0));
        }
        ++counts_.entities[circle ? kCircle : kArc];
    }

    void WritePoint() {
        Head("POINT", NextLayer(), "AcDbPoint");
        out_.Real(10, X());
        out_.Real(20, Y());
        out_.Real(30, random_.Real(100.0, 900.0));
        ++counts_.entities[kPoint];
    }

    void WriteText() {
        Head("TEXT", NextLayer(), "AcDbText");
        out_.Real(10, X());
        out_.Real(20, Y());
        out_.Real(30, 0.0);
        out_.Real(40, random_.Real(0.5, 5.0));
        out_.Text(1, Numbered("Parcel ", random_.Between(1, 99999)));
        if (random_.Between(0, 1) == 0)
            out_.Real(50, random_.Real(0.0, 360.0));
        ++counts_.entities[kText];
    }

    void WriteInsert() {
        const bool attributes = options_.attribs > 0;
        Head("INSERT", NextLayer(), "AcDbBlockReference");
        if (attributes)
            out_.Int(66, 1);
        out_.Text(2, BlockName(random_.Between(0, options_.blocks - 1)));
        const double x = X();
        const double y = Y();
        out_.Real(10, x);
        out_.Real(20, y);
        out_.Real(30, 0.0);
        const double scale = random_.Real(0.5, 2.0);
        out_.Real(41, scale);
        out_.Real(42, scale);
        out_.Real(50, random_.Real(0.0, 360.0));
        for (std::int64_t a = 0; a < options_.attribs; ++a) {
            Head("ATTRIB", layerName_, "AcDbAttribute");
            out_.Real(10, x);
            out_.Real(20, y - 1.0 - static_cast<double>(a));
            out_.Real(30, 0.0);
            out_.Real(40, 0.5);
            out_.Text(1, std::to_string(random_.Between(1, 99999)));
            out_.Text(2, TagName(a));
            out_.Int(70, 0);
            ++counts_.attribs;
        }
        if (attributes) {
            Head("SEQEND", layerName_, "");
        }
        ++counts_.entities[kInsert];
    }

    const Options& options_;
    Writer& out_;
    Random random_;
    Counts counts_;
    std::int64_t layerIndex_ = -1;
    std::uint64_t handle_ = 0x100;
    std::string layerName_;
};

std::optional<std::int64_t> ParseCount(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::optional<Range> ParseRange(std::string_view text) {
    const auto dash = text.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const auto low = ParseCount(text.substr(0, dash));
    const auto high = ParseCount(text.substr(dash + 1));
    if (!low || !high || *low > *high)
        return std::nullopt;
    return Range{*low, *high};
}

bool ParseMix(std::string_view text, Options& options) {
    std::fill(std::begin(options.weights), std::end(options.weights), 0);
    while (!text.empty()) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const auto equals = item.find('=');
        if (equals == std::string_view::npos)
            return false;
        const std::string_view name = item.substr(0, equals);
        const auto weight = ParseCount(item.substr(equals + 1));
        int kind = 0;
        while (kind < kKindCount && name != kKindNames[kind])
            ++kind;
        if (kind == kKindCount || !weight)
            return false;
        options.weights[kind] = *weight;
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    std::int64_t total = 0;
    for (const std::int64_t weight : options.weights)
        total += weight;
    return total > 0;
}

// Fills the options from the arguments; an error message otherwise.
std::optional<std::string> ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string_view(argv[++i]);
        };
        const auto count = [&](std::int64_t& target, std::int64_t least) -> bool {
            const auto text = value();
            const auto parsed = text ? ParseCount(*text) : std::nullopt;
            if (!parsed || *parsed < least)
                return false;
            target = *parsed;
            return true;
        };
        if (argument == "--lf") {
            options.crlf = false;
        } else if (argument == "--r12") {
            options.r12 = true;
        } else if (argument == "--layer-cycle") {
            options.layerCycle = true;
        } else if (argument == "--size") {
            const auto text = value();
            char* end = nullptr;
            const std::string copy(text.value_or(""));
            options.sizeMb = std::strtod(copy.c_str(), &end);
            if (copy.empty() || *end != '\0' || !(options.sizeMb > 0.0))
                return "--size needs a positive number of megabytes";
        } else if (argument == "--entities") {
            std::int64_t n = 0;
            if (!count(n, 0))
                return "--entities needs a count";
            options.entities = n;
        } else if (argument == "--seed") {
            std::int64_t n = 0;
            if (!count(n, 0))
                return "--seed needs a number";
            options.seed = static_cast<std::uint64_t>(n);
        } else if (argument == "--mix") {
            const auto text = value();
            if (!text || !ParseMix(*text, options))
                return "--mix needs kind=weight pairs, kinds: polyline lwpolyline line arc circle "
                       "point text insert";
        } else if (argument == "--vertices" || argument == "--lw-vertices") {
            const auto text = value();
            const auto range = text ? ParseRange(*text) : std::nullopt;
            if (!range || range->low < 1)
                return std::string(argument) + " needs MIN-MAX, at least 1";
            (argument == "--vertices" ? options.vertices : options.lwVertices) = *range;
        } else if (argument == "--layers") {
            if (!count(options.layers, 1))
                return "--layers needs a count of at least 1";
        } else if (argument == "--blocks") {
            if (!count(options.blocks, 0))
                return "--blocks needs a count";
        } else if (argument == "--block-entities") {
            if (!count(options.blockEntities, 1))
                return "--block-entities needs a count of at least 1";
        } else if (argument == "--attribs") {
            if (!count(options.attribs, 0))
                return "--attribs needs a count";
        } else if (argument == "--single-polyline") {
            std::int64_t n = 0;
            if (!count(n, 1))
                return "--single-polyline needs a count of at least 1";
            options.singlePolyline = n;
        } else if (argument == "--help" || argument == "-h") {
            return std::string();
        } else if (argument.starts_with("--") || !options.output.empty()) {
            return "unexpected argument " + std::string(argument);
        } else {
            options.output = argument;
        }
    }
    if (options.output.empty())
        return "missing OUTPUT.dxf";
    if (options.weights[kInsert] > 0 && options.blocks == 0 && !options.singlePolyline)
        return "INSERTs need --blocks of at least 1";
    return std::nullopt;
}

void PrintTotals(const Counts& counts, std::uint64_t fileBytes) {
    std::int64_t entities = 0;
    for (int kind = 0; kind < kKindCount; ++kind)
        entities += counts.entities[kind];
    std::fprintf(stderr, "%llu bytes, %lld entities, %lld vertices, %lld attribs\n",
                 static_cast<unsigned long long>(fileBytes), static_cast<long long>(entities),
                 static_cast<long long>(counts.vertices), static_cast<long long>(counts.attribs));
    for (int kind = 0; kind < kKindCount; ++kind) {
        if (counts.entities[kind] == 0)
            continue;
        std::fprintf(stderr, "  %-10s %9lld entities %6.1f %% of the bytes\n", kKindKeywords[kind],
                     static_cast<long long>(counts.entities[kind]),
                     100.0 * static_cast<double>(counts.bytes[kind]) /
                         static_cast<double>(fileBytes));
    }
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto problem = ParseArguments(argc, argv, options)) {
        if (!problem->empty())
            std::fprintf(stderr, "dxfgen: %s\n\n", problem->c_str());
        std::fputs(kUsage.data(), stderr);
        return problem->empty() ? 0 : 2;
    }
    std::FILE* file = std::fopen(options.output.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "dxfgen: cannot create %s: %s\n", options.output.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::uint64_t written = 0;
    bool failed = false;
    Counts counts;
    {
        Writer out(file, options.crlf);
        Drawing drawing(options, out);
        drawing.Write();
        failed = !out.Flush();
        written = out.Written();
        counts = drawing.Totals();
    }
    if (std::fclose(file) != 0 || failed) {
        std::fprintf(stderr, "dxfgen: cannot write %s\n", options.output.c_str());
        return 1;
    }
    PrintTotals(counts, written);
    return 0;
}

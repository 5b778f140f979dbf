// dxfbench: measures the import and the export of dxf.cnv against the limits of this machine, in
// one run and on one file:
//   split   a minimal reader of our own that only cuts the file into code and value lines (read
//           in big blocks, memchr for the line ends): the limit the import is held against;
//   split+numbers  the same, with every code and every real converted by std::from_chars;
//   import  DXFFileImport into a fresh stand-in map (no map document is saved);
//   export  DXFFileExport of a map of polylines, against a raw writer of our own that formats the
//           same groups with std::to_chars.
// The measurements run in turn, round after round, so that a change of the machine's load falls
// on all of them alike; each is reported by the median of its elapsed and processor times, each
// ratio by the median of the ratios of the rounds. The import's peak memory is measured in a
// child process of its own, so that nothing the other measurements left behind counts.
#include "module/exports.h"
#include "standin/standin.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "usage: dxfbench FILE.dxf [options]\n"
    "\n"
    "  --reps N               repetitions of each measurement (default 5)\n"
    "  --export-polylines N   polylines of the exported map (default 10000)\n"
    "  --export-vertices N    vertices of each of them (default 100)\n"
    "  --no-import            leave out the import\n"
    "  --no-export            leave out the export\n"
    "  --no-split             leave out the split (for profiling the rest; no ratios then)\n"
    "  --out-dir DIR          where the exported files go (default: the folder of FILE.dxf);\n"
    "                         they are deleted afterwards\n"
    "\n"
    "Settings and registry of the import come from $VEXA_HOME; without it a fresh temporary\n"
    "configuration folder is used, so the import runs with its defaults.\n"
    "Exit status 1 when the import fails or makes no object, or an export writes nothing.\n";

struct Options {
    std::string file;
    int reps = 5;
    std::int32_t exportPolylines = 10000;
    std::int32_t exportVertices = 100;
    bool runImport = true;
    bool runExport = true;
    bool runSplit = true;
    std::string outDir;
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// One timed piece of work, with what comes before and after it untimed.
struct Measurement {
    std::function<void()> prepare = [] {};
    std::function<void()> body;
    std::function<void()> finish = [] {};
};

// The times of one run of a measurement: elapsed, and the processor time of this process (user
// and system), which a loaded machine disturbs less.
struct Timing {
    double wall = 0.0;
    double cpu = 0.0;
};

double ProcessCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

Timing TimeOnce(const Measurement& measurement) {
    measurement.prepare();
    const auto wallStart = Clock::now();
    const double cpuStart = ProcessCpuSeconds();
    measurement.body();
    const Timing timing{Seconds(Clock::now() - wallStart), ProcessCpuSeconds() - cpuStart};
    measurement.finish();
    return timing;
}

// Runs the measurements in turn, round after round: one untimed warm-up round (the file into
// the page cache, the code into the caches), then `reps` timed ones, so that a change of the
// machine's load falls on all of them alike. Gives the timings of each measurement by round.
std::vector<std::vector<Timing>> RunRounds(int reps, const std::vector<Measurement>& list) {
    std::vector<std::vector<Timing>> timings(list.size());
    for (int round = 0; round <= reps; ++round) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Timing timing = TimeOnce(list[i]);
            if (round > 0)
                timings[i].push_back(timing);
        }
    }
    return timings;
}

Timing MedianOf(const std::vector<Timing>& timings) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const Timing& t : timings) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    return {Median(wall), Median(cpu)};
}

// The median over the rounds of a's time divided by b's time of the same round.
Timing MedianRatio(const std::vector<Timing>& a, const std::vector<Timing>& b) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        wall.push_back(a[i].wall / b[i].wall);
        cpu.push_back(a[i].cpu / b[i].cpu);
    }
    return {Median(wall), Median(cpu)};
}

// Memory figures of this process from /proc/self/status, in bytes.
std::uint64_t StatusValue(const char* key) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    std::uint64_t kib = 0;
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, key, keyLength) == 0 && line[keyLength] == ':') {
            kib = std::strtoull(line + keyLength + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kib * 1024;
}

// Resets the peak resident size to the present one (Linux 4.0 and later).
bool ResetPeak() {
    const int fd = ::open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0)
        return false;
    const bool done = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return done;
}

// The split --------------------------------------------------------------------------------

// What the minimal readers give back, so that no work can be left out by the optimiser.
struct SplitResult {
    std::uint64_t pairs = 0;
    std::uint64_t checksum = 0;
};

// Reads the file in 1 MiB blocks and hands every line, without its line end, to `line`.
template <typename LineFn>
void ForEachLine(const std::string& path, LineFn&& line) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    std::vector<char> buffer(kBlock * 2);
    std::size_t kept = 0;
    for (;;) {
        if (kept == buffer.size())
            buffer.resize(buffer.size() * 2); // a line longer than the buffer
        const ssize_t got = ::read(fd, buffer.data() + kept, buffer.size() - kept);
        if (got <= 0)
            break;
        const char* first = buffer.data();
        const char* last = first + kept + static_cast<std::size_t>(got);
        while (const auto* newline =
                   static_cast<const char*>(std::memchr(first, '\n', last - first))) {
            const char* end = newline > first && newline[-1] == '\r' ? newline - 1 : newline;
            line(std::string_view(first, static_cast<std::size_t>(end - first)));
            first = newline + 1;
        }
        kept = static_cast<std::size_t>(last - first);
        std::memmove(buffer.data(), first, kept);
    }
    if (kept > 0)
        line(std::string_view(buffer.data(), kept));
    ::close(fd);
}

SplitResult Split(const std::string& path) {
    SplitResult result;
    bool codeLine = true;
    ForEachLine(path, [&](std::string_view line) {
        if (!codeLine) {
            ++result.pairs;
            result.checksum += line.size();
        }
        codeLine = !codeLine;
    });
    return result;
}

// The split with every code converted as an integer and every value of a real-valued code
// (10 to 59) as a double.
SplitResult SplitAndConvert(const std::string& path) {
    SplitResult result;
    bool codeLine = true;
    int code = 0;
    ForEachLine(path, [&](std::string_view line) {
        if (codeLine) {
            const char* first = line.data();
            const char* last = first + line.size();
            while (first < last && *first == ' ')
                ++first;
            code = 0;
            std::from_chars(first, last, code);
        } else {
            ++result.pairs;
            if (code >= 10 && code < 60) {
                double value = 0.0;
                std::from_chars(line.data(), line.data() + line.size(), value);
                result.checksum += static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
            } else {
                result.checksum += line.size();
            }
        }
        codeLine = !codeLine;
    });
    return result;
}

// The entities of the file as the import counts them: pairs of code 0 whose value names an
// entity it imports (vertices, attributes and SEQENDs belong to their entity).
std::uint64_t CountEntities(const std::string& path) {
    static constexpr std::string_view kEntities[] = {"LINE",   "POLYLINE", "LWPOLYLINE", "ARC",
                                                     "CIRCLE", "POINT",    "TEXT",       "INSERT"};
    std::uint64_t count = 0;
    bool codeLine = true;
    bool codeZero = false;
    ForEachLine(path, [&](std::string_view line) {
        if (codeLine) {
            const auto digits = line.find_first_not_of(' ');
            codeZero = digits != std::string_view::npos && line.substr(digits) == "0";
        } else if (codeZero && std::find(std::begin(kEntities), std::end(kEntities), line) !=
                                   std::end(kEntities)) {
            ++count;
        }
        codeLine = !codeLine;
    });
    return count;
}

// The import ------------------------------------------------------------------------------

struct MapCounts {
    std::size_t layers = 0;
    std::size_t objects = 0;
};

MapCounts CountMap(HWND map) {
    const standin::MapSnapshot snapshot = standin::Snapshot(map);
    return {snapshot.layers.size(), snapshot.objects.size()};
}

// The import into a fresh map; the first run counts what the map holds.
// A failed import sets `failed`.
Measurement ImportMeasurement(const Options& options, HWND& map, MapCounts& counts, bool& failed) {
    Measurement measurement;
    measurement.prepare = [&map] { map = standin::CreateMapWindow(); };
    measurement.body = [&options, &map, &failed] {
        if (DXFFileImport(map, options.file.c_str(), 0, nullptr) != 1)
            failed = true;
    };
    measurement.finish = [&map, &counts] {
        if (counts.layers == 0)
            counts = CountMap(map);
        standin::DestroyMapWindow(map);
    };
    return measurement;
}

struct ImportMemory {
    std::uint64_t baseline = 0; // resident size before the import
    std::uint64_t peak = 0;     // highest resident size during the import
    std::uint64_t after = 0;    // resident size after it, the map still held
    bool valid = false;
};

// One import in a child process of its own, whose peak is reset just before it.
ImportMemory MeasureImportMemory(const Options& options) {
    ImportMemory memory;
    int channel[2];
    if (::pipe(channel) != 0)
        return memory;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        HWND map = standin::CreateMapWindow();
        ImportMemory measured;
        measured.valid = ResetPeak();
        measured.baseline = StatusValue("VmRSS");
        DXFFileImport(map, options.file.c_str(), 0, nullptr);
        measured.peak = StatusValue("VmHWM");
        measured.after = StatusValue("VmRSS");
        const bool sent = ::write(channel[1], &measured, sizeof measured) == sizeof measured;
        ::_exit(sent ? 0 : 1); // the map is not torn down: the process ends here
    }
    ::close(channel[1]);
    if (child > 0) {
        if (::read(channel[0], &memory, sizeof memory) != sizeof memory)
            memory.valid = false;
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    ::close(channel[0]);
    return memory;
}

// The export ------------------------------------------------------------------------------

std::string LayerName(int index) {
    std::string name = "LAYER_";
    name += std::to_string(index);
    return name;
}

// The map to export: polylines of random walks on ten layers, in map units of 1 mm around a
// national grid origin, a fifth of them closed (polygons).
struct ExportMap {
    std::vector<std::vector<MAP_COORDPT>> polylines;
    std::vector<bool> closed;
    std::vector<std::string> layerOf;
};

ExportMap MakeExportPoints(const Options& options) {
    ExportMap result;
    std::uint64_t state = 12345;
    const auto next = [&state] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::int32_t>(state >> 40); // 24 bits
    };
    for (std::int32_t p = 0; p < options.exportPolylines; ++p) {
        std::vector<MAP_COORDPT> points(static_cast<std::size_t>(options.exportVertices));
        std::int32_t x = 480000000 + next() % 10000000;
        std::int32_t y = 540000000 + next() % 10000000;
        for (MAP_COORDPT& point : points) {
            point = {x, y};
            x += next() % 40001 - 20000;
            y += next() % 40001 - 20000;
        }
        result.polylines.push_back(std::move(points));
        result.closed.push_back(p % 5 == 0);
        result.layerOf.push_back(LayerName(p % 10));
    }
    return result;
}

// Fills a stand-in map with the polylines: each layer's objects together, as the host keeps them.
HWND BuildExportMap(const ExportMap& points, std::int32_t unitId) {
    HWND map = standin::CreateMapWindow();
    standin::SetUnitId(map, unitId);
    for (int layer = 0; layer < 10; ++layer) {
        const std::string name = LayerName(layer);
        OBJHANDLE handle = nullptr;
        map_layer_Create(map, &handle, nullptr, 0, -1, name.c_str(), 0, 0xFFFFFFFFu, 0, 1, 7, 0, 0);
        for (std::size_t p = static_cast<std::size_t>(layer); p < points.polylines.size();
             p += 10) {
            const auto& run = points.polylines[p];
            OBJHANDLE object = nullptr;
            const auto count = static_cast<std::int32_t>(run.size());
            if (points.closed[p])
                map_polygon_Create(map, &object, run.data(), count, 0);
            else
                map_polyline_Create(map, &object, run.data(), count, 0);
        }
    }
    return map;
}

// The raw writer: the groups the export writes for the polylines (POLYLINE head, VERTEX records,
// SEQEND, CR LF line ends), formatted with std::to_chars into a buffer written in 1 MiB pieces.
class RawWriter {
  public:
    explicit RawWriter(std::FILE* file) : file_(file) { buffer_.reserve(kFlush + 4096); }
    ~RawWriter() { Flush(); }
    RawWriter(const RawWriter&) = delete;
    RawWriter& operator=(const RawWriter&) = delete;

    void Text(int code, std::string_view text) {
        Code(code);
        Append(text);
    }
    void Int(int code, std::int32_t value) {
        Code(code);
        char digits[16];
        Append({digits, static_cast<std::size_t>(
                            std::to_chars(digits, digits + sizeof digits, value).ptr - digits)});
    }
    void Real(int code, double value) {
        Code(code);
        char digits[400];
        Append({digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits,
                                                               value, std::chars_format::fixed, 6)
                                                     .ptr -
                                                 digits)});
    }
    void Flush() {
        if (!buffer_.empty())
            std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
        buffer_.clear();
    }

  private:
    static constexpr std::size_t kFlush = std::size_t{1} << 20;
    void Code(int code) {
        char digits[16] = {' ', ' '};
        const char* end = std::to_chars(digits + 2, digits + sizeof digits, code).ptr;
        Append({digits, static_cast<std::size_t>(end - digits)});
    }
    void Append(std::string_view text) {
        buffer_.append(text);
        buffer_.append("\r\n", 2);
        if (buffer_.size() >= kFlush)
            Flush();
    }
    std::FILE* file_;
    std::string buffer_;
};

void WriteRaw(const ExportMap& points, const std::string& path, double factor) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    std::setvbuf(file, nullptr, _IONBF, 0);
    {
        RawWriter out(file);
        const auto coordinate = [&](int code, std::int32_t value) {
            if (factor == 1.0)
                out.Int(code, value);
            else
                out.Real(code, value / factor);
        };
        for (int layer = 0; layer < 10; ++layer) {
            for (std::size_t p = static_cast<std::size_t>(layer); p < points.polylines.size();
                 p += 10) {
                const std::string& name = points.layerOf[p];
                out.Text(0, "POLYLINE");
                out.Text(8, name);
                if (points.closed[p])
                    out.Int(70, 1);
                out.Int(66, 1);
                for (const MAP_COORDPT& point : points.polylines[p]) {
                    out.Text(0, "VERTEX");
                    out.Text(8, name);
                    coordinate(10, point.x);
                    coordinate(20, point.y);
                }
                out.Text(0, "SEQEND");
            }
        }
    }
    std::fclose(file);
}

std::uint64_t FileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

struct ExportFigures {
    std::vector<Timing> module;
    std::vector<Timing> raw;
    std::uint64_t moduleBytes = 0;
    std::uint64_t rawBytes = 0;
};

// The export of the map and the raw writer of the same groups, round after round.
ExportFigures MeasureExport(const Options& options, const ExportMap& points, std::int32_t unitId,
                            double factor) {
    ExportFigures figures;
    HWND map = BuildExportMap(points, unitId);
    const std::string modulePath = options.outDir + "/dxfbench-export.dxf";
    const std::string rawPath = options.outDir + "/dxfbench-raw.dxf";
    const auto remove = [&] {
        std::remove(modulePath.c_str());
        std::remove(rawPath.c_str());
    };
    Measurement module{remove, [&] { DXFFileExport(map, modulePath.c_str(), 0, 0); },
                       [&] { figures.moduleBytes = FileSize(modulePath); }};
    Measurement raw{remove, [&] { WriteRaw(points, rawPath, factor); },
                    [&] { figures.rawBytes = FileSize(rawPath); }};
    auto timings = RunRounds(options.reps, {module, raw});
    figures.module = std::move(timings[0]);
    figures.raw = std::move(timings[1]);
    remove();
    standin::DestroyMapWindow(map);
    return figures;
}

// Reporting -------------------------------------------------------------------------------

double MB(std::uint64_t bytes) {
    return static_cast<double>(bytes) / 1e6;
}

void Row(const char* name, const std::vector<Timing>& timings, std::uint64_t bytes,
         std::uint64_t items, const char* itemName) {
    const Timing median = MedianOf(timings);
    std::printf("%-14s %8.3f s %8.3f s cpu %8.1f MB/s %11.0f %s/s\n", name, median.wall, median.cpu,
                MB(bytes) / median.wall, static_cast<double>(items) / median.wall, itemName);
}

void RatioRow(const char* name, const std::vector<Timing>& a, const std::vector<Timing>& b) {
    const Timing ratio = MedianRatio(a, b);
    std::printf("  %-24s %5.2f (cpu %5.2f)\n", name, ratio.wall, ratio.cpu);
}

std::optional<std::string> ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        const auto number = [&](auto& target, long least) -> bool {
            if (i + 1 >= argc)
                return false;
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < least)
                return false;
            target = static_cast<std::remove_reference_t<decltype(target)>>(value);
            return true;
        };
        if (argument == "--reps") {
            if (!number(options.reps, 1))
                return "--reps needs a count of at least 1";
        } else if (argument == "--export-polylines") {
            if (!number(options.exportPolylines, 1))
                return "--export-polylines needs a count of at least 1";
        } else if (argument == "--export-vertices") {
            if (!number(options.exportVertices, 1))
                return "--export-vertices needs a count of at least 1";
        } else if (argument == "--no-import") {
            options.runImport = false;
        } else if (argument == "--no-export") {
            options.runExport = false;
        } else if (argument == "--no-split") {
            options.runSplit = false;
        } else if (argument == "--out-dir") {
            if (i + 1 >= argc)
                return "--out-dir needs a folder";
            options.outDir = argv[++i];
        } else if (argument.starts_with("--") || !options.file.empty()) {
            return "unexpected argument " + std::string(argument);
        } else {
            options.file = argument;
        }
    }
    if (options.file.empty())
        return "missing FILE.dxf";
    if (options.outDir.empty()) {
        const auto slash = options.file.rfind('/');
        options.outDir = slash == std::string::npos ? "." : options.file.substr(0, slash);
    }
    return std::nullopt;
}

// Without $VEXA_HOME the stand-in would read and write the user's own configuration.
void UseFreshConfiguration() {
    if (std::getenv("VEXA_HOME"))
        return;
    static char folder[] = "/tmp/dxfbench-config-XXXXXX";
    if (::mkdtemp(folder))
        ::setenv("VEXA_HOME", folder, 1);
}

void RemoveFreshConfiguration() {
    const char* home = std::getenv("VEXA_HOME");
    if (!home || std::strncmp(home, "/tmp/dxfbench-config-", 21) != 0)
        return;
    const std::string folder = home;
    for (const char* name : {"/settings.ini", "/registry.ini"})
        std::remove((folder + name).c_str());
    ::rmdir(folder.c_str());
}

void PrintMemory(const ImportMemory& memory) {
    if (!memory.valid) {
        std::printf("  peak memory: not measured (no /proc/self/clear_refs)\n");
        return;
    }
    const double map = MB(memory.after - memory.baseline);
    const double peak = MB(memory.peak - memory.baseline);
    std::printf("  memory: map %.1f MB resident after the import, peak %.1f MB during it "
                "(%+.1f MB over the map)\n",
                map, peak, peak - map);
}

// The split, the split with numbers and the import, round after round, with their ratios.
// False when the import failed or made nothing.
bool PrintReadingFigures(const Options& options, std::uint64_t bytes, std::uint64_t entities) {
    // The memory first: a child forked later would inherit the heap that the timed imports grew
    // and freed, and reuse it without its resident size growing.
    const ImportMemory memory = options.runImport ? MeasureImportMemory(options) : ImportMemory{};
    SplitResult split;
    HWND map = nullptr;
    MapCounts counts;
    std::vector<Measurement> list;
    std::vector<const char*> names;
    if (options.runSplit) {
        list.push_back({[] {}, [&] { split = Split(options.file); }, [] {}});
        list.push_back({[] {}, [&] { split = SplitAndConvert(options.file); }, [] {}});
        names.insert(names.end(), {"split", "split+numbers"});
    }
    bool failed = false;
    if (options.runImport) {
        list.push_back(ImportMeasurement(options, map, counts, failed));
        names.push_back("import");
    }
    if (list.empty())
        return true;
    const auto timings = RunRounds(options.reps, list);
    for (std::size_t i = 0; i < list.size(); ++i)
        Row(names[i], timings[i], bytes, entities, "entities");
    if (options.runSplit) {
        std::printf("  %llu pairs\n", static_cast<unsigned long long>(split.pairs));
        RatioRow("split+numbers / split", timings[1], timings[0]);
    }
    if (options.runImport) {
        if (options.runSplit)
            RatioRow("import / split", timings[2], timings[0]);
        std::printf("  map: %zu layers, %zu objects\n", counts.layers, counts.objects);
        PrintMemory(memory);
        if (failed || counts.objects == 0) {
            std::fprintf(stderr, "dxfbench: the import failed or made no object\n");
            return false;
        }
    }
    return true;
}

// False when an export wrote nothing.
bool PrintExportFigures(const Options& options) {
    const ExportMap points = MakeExportPoints(options);
    const auto vertices = static_cast<std::uint64_t>(options.exportPolylines) *
                          static_cast<std::uint64_t>(options.exportVertices);
    std::printf("\nexport: %d polylines x %d vertices\n", options.exportPolylines,
                options.exportVertices);
    struct Unit {
        const char* name;
        std::int32_t id;
        double factor;
    };
    for (const Unit unit :
         {Unit{"integers (unit 0)", 0, 1.0}, Unit{"reals (unit 1, mm)", 1, 1000.0}}) {
        const ExportFigures f = MeasureExport(options, points, unit.id, unit.factor);
        std::printf("%s, %.1f MB\n", unit.name, MB(f.moduleBytes));
        Row("export", f.module, f.moduleBytes, vertices, "vertices");
        Row("raw writer", f.raw, f.rawBytes, vertices, "vertices");
        RatioRow("export / raw writer", f.module, f.raw);
        if (f.moduleBytes == 0) {
            std::fprintf(stderr, "dxfbench: the export wrote nothing\n");
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const auto problem = ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "dxfbench: %s\n\n%s", problem->c_str(), kUsage.data());
        return 2;
    }
    const std::uint64_t bytes = FileSize(options.file);
    if (bytes == 0) {
        std::fprintf(stderr, "dxfbench: %s is missing or empty\n", options.file.c_str());
        return 1;
    }
    UseFreshConfiguration();
    const std::uint64_t entities = CountEntities(options.file);
    std::printf("file: %s, %.1f MB, %llu entities; %d rounds\n\n", options.file.c_str(), MB(bytes),
                static_cast<unsigned long long>(entities), options.reps);

    std::printf("%-14s %10s %12s %13s\n", "", "wall", "cpu", "(medians)");
    bool worked = PrintReadingFigures(options, bytes, entities);
    if (options.runExport)
        worked = PrintExportFigures(options) && worked;
    std::printf("\npeak resident memory of the whole run: %.1f MB\n", MB(StatusValue("VmHWM")));
    RemoveFreshConfiguration();
    return worked ? 0 : 1;
}

// The command-line host dxfcnv, run as a program: the runs of data/runs.txt (exit status,
// messages, nothing written by a failed run), the SVG and GeoJSON of a representative map
// against their goldens, and the round trips of import, show, settings, export and convert.
#include "app/geojson_writer.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using namespace testing_support;

const fs::path kData = fs::path(DXFCNV_SOURCE_DIR) / "tests" / "cli" / "data";

// A fresh home folder holding the files of data/home and an empty folder "folder.json".
struct Home : TempHome {
    Home() {
        fs::copy(kData / "home", Path());
        fs::create_directory(Path() / "folder.json");
    }
    // Every file and folder under the home but the output of RunCli, with its content.
    std::map<std::string, std::string> Listing() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(Path())) {
            const std::string name = fs::relative(entry.path(), Path()).string();
            if (name != "cli.out" && name != "cli.err")
                files[name] = entry.is_regular_file() ? ReadText(entry.path()) : "(folder)";
        }
        return files;
    }
};

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? ""
                                      : text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

TEST(Cli, RunsOfTheDataFile) {
    std::ifstream file(kData / "runs.txt");
    int cases = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line.starts_with('#'))
            continue;
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '|');)
            fields.push_back(Trim(field));
        fields.resize(4);
        const std::string arguments =
            std::regex_replace(fields[1], std::regex("\\$DATA"), DXFCNV_SOURCE_DIR "/tests/data");
        SCOPED_TRACE(line);
        ++cases;
        Home home;
        const auto before = home.Listing();
        const CliRun run = RunCli(home, arguments);
        EXPECT_EQ(std::to_string(run.exitCode), fields[0]) << run.err;
        EXPECT_NE(run.err.find(fields[2]), std::string::npos) << run.err;
        EXPECT_NE(run.out.find(fields[3]), std::string::npos) << run.out;
        if (fields[0] == "0") {
            EXPECT_TRUE(!fields[2].empty() || run.err.empty()) << run.err;
            for (const auto& [name, content] : home.Listing())
                EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        } else {
            EXPECT_TRUE(home.Listing() == before) << "a failed run changes no file";
            EXPECT_TRUE(fields[0] == "1" || arguments.empty() || IsOneLine(run.err)) << run.err;
        }
    }
    EXPECT_GT(cases, 50);
}

// The output of a writer against its golden file; DXFCNV_UPDATE_CASES=1 rewrites the golden.
void ExpectGolden(const std::string& written, const fs::path& golden) {
    if (std::getenv("DXFCNV_UPDATE_CASES") != nullptr)
        std::ofstream(golden, std::ios::binary) << written;
    EXPECT_EQ(written, ReadText(golden)) << golden;
}

// A GeoJSON position list: positions of two or three numbers.
void ExpectPositions(const Json& positions, std::size_t minimum) {
    ASSERT_GE(positions.size(), minimum) << positions;
    for (const Json& position : positions)
        EXPECT_TRUE(position.size() >= 2 && position.size() <= 3 && position[0].is_number());
}

TEST(Cli, WritersGiveValidOutputMatchingTheirGoldens) {
    Home home;
    ASSERT_EQ(RunCli(home, "render map.json -o map.svg").exitCode, 0);
    ASSERT_EQ(RunCli(home, "export map.json -o map.geojson").exitCode, 0);
    const std::string svg = ReadText(home.Path() / "map.svg");
    ExpectGolden(svg, kData / "map.svg");
    ExpectGolden(ReadText(home.Path() / "map.geojson"), kData / "map.geojson");

    // Well-formed XML: every element closed in order, only the five escapes of XML.
    std::vector<std::string> open;
    const std::regex tag("<(/?)([A-Za-z:]+)[^>]*?(/?)>");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tag); it != std::sregex_iterator();
         ++it) {
        if ((*it)[1] == "/") {
            ASSERT_FALSE(open.empty());
            EXPECT_EQ(open.back(), (*it)[2].str());
            open.pop_back();
        } else if ((*it)[3] != "/") {
            open.push_back((*it)[2]);
        }
    }
    EXPECT_TRUE(open.empty());
    EXPECT_FALSE(std::regex_search(svg, std::regex("&(?!(amp|lt|gt|quot|apos|#[0-9]+);)")));

    // Valid GeoJSON: lines of two positions or more, rings closed and counter-clockwise.
    const Json collection = Json::parse(ReadText(home.Path() / "map.geojson"));
    EXPECT_EQ(collection["type"], "FeatureCollection");
    for (const Json& feature : collection["features"]) {
        SCOPED_TRACE(feature.dump());
        EXPECT_EQ(feature["type"], "Feature");
        const Json& geometry = feature["geometry"];
        if (geometry.is_null())
            continue;
        if (geometry["type"] == "LineString") {
            ExpectPositions(geometry["coordinates"], 2);
        } else if (geometry["type"] == "Polygon") {
            const Json& ring = geometry["coordinates"].at(0);
            ExpectPositions(ring, 4);
            EXPECT_EQ(ring.front(), ring.back());
            double area = 0;
            for (std::size_t i = 1; i < ring.size(); ++i)
                area += ring[i - 1][0].get<double>() * ring[i][1].get<double>() -
                        ring[i][0].get<double>() * ring[i - 1][1].get<double>();
            EXPECT_GT(area, 0);
        } else {
            EXPECT_EQ(geometry["type"], "Point");
            EXPECT_TRUE(geometry["coordinates"].size() >= 2 &&
                        geometry["coordinates"][0].is_number());
        }
    }
}

// Every point of an arc's polyline and the middle of every chord lie within the tolerance of the
// circle, at every size of radius and sweep.
TEST(Cli, GeoJsonArcsStayWithinTheirTolerance) {
    for (const std::int32_t radius : {-500, 1, 7, 12345, 1000000, INT32_MAX}) {
        for (const double sweep : {0.5, 90.0, 180.0, 359.9, 360.0}) {
            SCOPED_TRACE(std::to_string(radius) + ", sweep " + std::to_string(sweep));
            standin::Object arc;
            arc.kind = standin::ObjectKind::Arc;
            arc.center = {1000, -2000};
            arc.radius = radius;
            arc.startAngle = 30;
            arc.endAngle = 30 + sweep;
            const auto points = dxfcnv::ArcPoints(arc, dxfcnv::kArcTolerance);
            ASSERT_GE(points.size(), 2u);
            const auto off = [&](double x, double y) {
                return std::abs(std::hypot(x - 1000, y + 2000) - std::abs(double(radius)));
            };
            for (std::size_t i = 0; i < points.size(); ++i) {
                EXPECT_LE(off(points[i][0], points[i][1]), dxfcnv::kArcTolerance);
                const auto& last = points[i > 0 ? i - 1 : 0];
                EXPECT_LE(off((last[0] + points[i][0]) / 2, (last[1] + points[i][1]) / 2),
                          dxfcnv::kArcTolerance);
            }
        }
    }
}

TEST(Cli, ImportShowSettingsExportAndConvertAgree) {
    Home home;
    // Stored settings reach the import; a second import adds to the saved map.
    ASSERT_EQ(RunCli(home, "settings XOffset 100").exitCode, 0);
    EXPECT_EQ(RunCli(home, "settings XOffset").out, "100\n");
    const CliRun first = RunCli(home, "import line.dxf --map m.json");
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(RunCli(home, "show m.json").out, first.out);
    ASSERT_EQ(RunCli(home, "import line.dxf --map m.json --quiet").exitCode, 0);
    MapWindow map;
    ASSERT_TRUE(standin::LoadMapDocument(map.Handle(), (home.Path() / "m.json").string(), nullptr));
    const auto lines = PointRuns(map.Snapshot());
    const std::vector<std::pair<std::int32_t, std::int32_t>> shifted{{100, 0}, {105, 5}};
    EXPECT_EQ(lines, decltype(lines)(2, shifted));

    // Export and convert keep the map: imported again, each gives the same summary.
    ASSERT_EQ(RunCli(home, "settings XOffset 0").exitCode, 0);
    ASSERT_EQ(RunCli(home, "export m.json -o a.dxf").exitCode, 0);
    ASSERT_EQ(RunCli(home, "convert a.dxf b.dxf").exitCode, 0);
    const CliRun fromExport = RunCli(home, "import a.dxf");
    EXPECT_EQ(RunCli(home, "import b.dxf").out, fromExport.out);
    EXPECT_EQ(RunCli(home, "show m.json").out, fromExport.out);
}

} // namespace

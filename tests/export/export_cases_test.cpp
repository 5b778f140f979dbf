// Export cases kept as data (tests/export/cases/*.txt, format in export_support.h): each map is
// exported and the whole file compared with the one written in the case file.
#include "case_files.h"
#include "export_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace export_support;

class ExportCases : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(ExportCases, GiveTheFilesWrittenInTheCaseFile) {
    const auto cases = testing_support::ReadCases(GetParam());
    ASSERT_FALSE(cases.empty()) << GetParam();
    std::vector<std::string> results;
    for (const testing_support::DataCase& exportCase : cases) {
        results.push_back(RunExportCase(exportCase));
        EXPECT_EQ(results.back(), exportCase.expected)
            << GetParam().filename().string() << ":" << exportCase.expectLine << ": case "
            << exportCase.name;
    }
    if (std::getenv("DXFCNV_UPDATE_CASES") != nullptr)
        testing_support::RewriteExpectations(GetParam(), results);
}

INSTANTIATE_TEST_SUITE_P(Files, ExportCases,
                         ::testing::ValuesIn(testing_support::CaseFiles("export/cases")),
                         [](const auto& info) { return info.param.stem().string(); });

} // namespace

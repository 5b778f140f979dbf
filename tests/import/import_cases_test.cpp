// Import cases kept as data (tests/import/cases/*.txt, format in case_files.h): each drawing is
// imported into a fresh map and the whole result compared with the one written in the file.
#include "case_files.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using namespace testing_support;

class ImportCases : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(ImportCases, GiveTheMapsWrittenInTheFile) {
    const auto cases = ReadCases(GetParam());
    ASSERT_FALSE(cases.empty()) << GetParam();
    std::vector<std::string> results;
    for (const DataCase& importCase : cases) {
        results.push_back(RunImportCase(importCase));
        EXPECT_EQ(results.back(), importCase.expected)
            << GetParam().filename().string() << ":" << importCase.expectLine << ": case "
            << importCase.name;
    }
    if (std::getenv("DXFCNV_UPDATE_CASES") != nullptr)
        RewriteExpectations(GetParam(), results);
}

INSTANTIATE_TEST_SUITE_P(Files, ImportCases, ::testing::ValuesIn(CaseFiles("import/cases")),
                         [](const auto& info) { return info.param.stem().string(); });

} // namespace

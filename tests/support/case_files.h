// Import cases kept as data: files of small drawings, each with the map the import must make.
//
// A case file holds any number of cases:
//
//   case NAME                 starts a case (letters, digits and underscores)
//   set SETTING VALUE         an import setting for this case (typed by the settings table)
//   attributes                the import gets an attribute table, which is printed after the map
//   entities | file           the drawing follows, one group a line as "CODE VALUE" (the value is
//                             the rest of the line, possibly empty); "entities" wraps the groups
//                             in an ENTITIES section and EOF, "file" takes them as they stand
//   map                       (export cases) a map document follows, taken line by line
//   expect                    the expected result follows, up to the next case: the import's
//                             return value, the message boxes it showed, then the map document
//                             with object ids renumbered from 1 in order of appearance
//   # ...                     a comment, before the first case or between "case" and
//                             "expect" (each line after "expect" up to the next "case"
//                             belongs to the result)
//
// DXFCNV_UPDATE_CASES=1 in the environment rewrites each file's expected results from what the
// import gives (review the diff: the new results become the truth).
#pragma once

#include "standin/standin.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct DataCase {
    std::string name;
    std::vector<std::pair<std::string, std::string>> settings; // name, value as written
    bool attributes = false;
    std::string dxf;            // DXF text, LF line ends
    std::string map;            // a map document (export cases)
    std::string expected;       // as written after "expect"
    std::size_t expectLine = 0; // the line of "expect" in the file, for updating
};

// The cases of one file; a malformed file adds a failure and gives what it could read.
std::vector<DataCase> ReadCases(const std::filesystem::path& file);

// Imports the case's drawing into a fresh map with its settings and gives the result in the
// form of "expect".
std::string RunImportCase(const DataCase& importCase);

// Replaces the expected results of the file by the given ones, in case order.
void RewriteExpectations(const std::filesystem::path& file,
                         const std::vector<std::string>& results);

// Every case file of a folder of the source tree (relative to tests/), sorted by name.
std::vector<std::filesystem::path> CaseFiles(const std::string& folder);

// An import setting given as text, stored with the type the settings table gives it.
void SetSettingText(const std::string& name, const std::string& value);
// A saved map document with its object ids renumbered, as in the expected results of the cases.
std::string RenumberedIds(const std::string& document);
// The map saved as a document, with object ids renumbered as in the cases' results.
std::string MapDocument(HWND map, const std::filesystem::path& folder);

} // namespace testing_support

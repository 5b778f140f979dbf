// The module as its host sees it: a library loaded by path that exports its operations by their
// plain names, and nothing else.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

namespace {

const std::set<std::string> kExpectedNames = {"DXFFileImport",    "VexaImport",
                                              "DXFFileExport",    "VexaExport",
                                              "DXFImportOptions", "VexaImportOptions"};

std::set<std::string> DefinedFunctionSymbols(const std::string& library) {
    const std::string command = "nm -D --defined-only '" + library + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::set<std::string> names;
    if (!pipe)
        return names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe.get())) {
        char type = 0;
        char name[900] = {};
        unsigned long long address = 0;
        if (std::sscanf(line, "%llx %c %899s", &address, &type, name) == 3 &&
            (type == 'T' || type == 'W' || type == 'i'))
            names.insert(name);
    }
    return names;
}

TEST(ModuleExports, ExportsExactlyItsOperations) {
    const auto names = DefinedFunctionSymbols(DXFCNV_MODULE);
    ASSERT_FALSE(names.empty()) << "nm could not read " << DXFCNV_MODULE;
    EXPECT_EQ(names, kExpectedNames);
}

TEST(ModuleExports, LoadsByPathAndResolvesEveryName) {
    void* module = dlopen(DXFCNV_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    for (const std::string& name : kExpectedNames)
        EXPECT_NE(dlsym(module, name.c_str()), nullptr) << name;
    EXPECT_EQ(dlsym(module, "ReadPair"), nullptr) << "internal operations stay hidden";
    EXPECT_EQ(dlsym(module, "RunImport"), nullptr);
    dlclose(module);
}

} // namespace

// The module's resources as the stand-in sees them: the resource script built into the library
// (resource_script_text.cpp, generated from src/options/dxf.rc), read once, and LoadStringA over
// its string table.
#include "standin/buffers.h"
#include "standin/host_state.h"
#include "standin/resource_script.h"

#include <cstdio>

namespace standin {

extern const std::string_view kModuleResourceScript;
extern const std::string_view kModuleResourceHeader;

namespace {

ResourceScript ReadModuleResources() {
    const IncludeReader includes = [](std::string_view name) -> std::optional<std::string> {
        if (name == "resource.h") {
            return std::string(kModuleResourceHeader);
        }
        return std::nullopt;
    };
    std::string error;
    std::optional<ResourceScript> script =
        ParseResourceScript(kModuleResourceScript, includes, &error);
    if (!script) {
        std::fprintf(stderr, "vexcore: the module's resource script dxf.rc: %s\n", error.c_str());
        return {};
    }
    return std::move(*script);
}

} // namespace

const ResourceScript& ModuleResources() {
    static const ResourceScript resources = ReadModuleResources();
    return resources;
}

} // namespace standin

using namespace standin;

extern "C" {

// Every module of the stand-in reads the one resource script, whatever instance it names.
// Like the system's call: at most bufferSize - 1 characters and a terminating zero; the number
// of characters copied, 0 when the string is not there.
WIN32_STANDIN_API int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int bufferSize) {
    return Guarded<int>(0, [&]() -> int {
        if (!buffer || bufferSize <= 0) {
            return 0;
        }
        const auto& strings = ModuleResources().strings;
        const auto found = strings.find(id);
        const std::string_view text =
            found == strings.end() ? std::string_view("") : std::string_view(found->second);
        CopyTextOut(buffer, bufferSize, text);
        return static_cast<int>(
            std::min<std::size_t>(text.size(), static_cast<std::size_t>(bufferSize - 1)));
    });
}

} // extern "C"

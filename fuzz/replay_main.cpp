// The fuzz target as a plain program: feeds it every file of the folders (or the files) given,
// in name order, so that CTest replays the seed corpora and every input that ever failed, in
// every build and without libFuzzer. A missing folder is skipped with a note (the shared corpus
// is not always there).
//
//   replay_NAME [--raw] PATH...
//
// --raw: the files that follow are plain inputs of the format (DXF drawings), not inputs of the
// target; a target that puts options in front of its input runs each one under several options.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Runs a plain input of the format under the target's option variants (see --raw).
extern "C" void DxfcnvReplayRaw(const std::uint8_t* data, std::size_t size) __attribute__((weak));

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    bool raw = false;
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (std::string_view(argv[i]) == "--raw") {
            raw = true;
            continue;
        }
        if (!fs::exists(argv[i], error)) {
            std::printf("skipped (not there): %s\n", argv[i]);
            continue;
        }
        std::vector<fs::path> files;
        if (fs::is_regular_file(argv[i], error))
            files.push_back(argv[i]);
        for (fs::recursive_directory_iterator it(argv[i], error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_regular_file(error) && !it->path().filename().string().starts_with("."))
                files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::printf("%s\n", file.c_str());
            std::fflush(stdout);
            std::ifstream in(file, std::ios::binary);
            const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
            if (raw && DxfcnvReplayRaw)
                DxfcnvReplayRaw(bytes.data(), bytes.size());
            else
                LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    return 0;
}

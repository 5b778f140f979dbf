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
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));
// Runs a plain input of the format under the target's option variants (see --raw).
extern "C" void DxfcnvReplayRaw(const std::uint8_t* data, std::size_t size) __attribute__((weak));

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesOf(const fs::path& path) {
    std::vector<fs::path> files;
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        files.push_back(path);
        return files;
    }
    for (fs::recursive_directory_iterator it(path, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(error) && !name.starts_with("."))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    bool raw = false;
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--raw") == 0) {
            raw = true;
            continue;
        }
        std::error_code error;
        if (!fs::exists(argv[i], error)) {
            std::printf("skipped (not there): %s\n", argv[i]);
            continue;
        }
        for (const fs::path& file : FilesOf(argv[i])) {
            std::printf("%s\n", file.c_str());
            std::fflush(stdout);
            const std::vector<std::uint8_t> bytes = Contents(file);
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

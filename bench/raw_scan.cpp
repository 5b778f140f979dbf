// rawscan: the fastest whole program that reads a DXF file as pairs, the floor a whole
// `dxfcnv import` run is held against. It reads the file in 1 MiB blocks, cuts it into lines with
// memchr and takes lines two by two as code and value; nothing else. It prints the number of
// pairs and a checksum of the value lengths, so that no work can be left out by the optimiser.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: rawscan FILE.dxf\n", stderr);
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 1;
    }
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::vector<char> buffer(kBlock * 2);
    std::size_t kept = 0;
    std::uint64_t pairs = 0;
    std::uint64_t checksum = 0;
    bool codeLine = true;
    const auto line = [&](std::string_view text) {
        if (!codeLine) {
            ++pairs;
            checksum += text.size();
        }
        codeLine = !codeLine;
    };
    for (;;) {
        if (kept == buffer.size()) {
            buffer.resize(buffer.size() * 2); // a line longer than the buffer
        }
        const ssize_t got = ::read(fd, buffer.data() + kept, buffer.size() - kept);
        if (got <= 0) {
            break;
        }
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
    if (kept > 0) {
        line(std::string_view(buffer.data(), kept));
    }
    ::close(fd);
    std::printf("%llu pairs, checksum %llu\n", static_cast<unsigned long long>(pairs),
                static_cast<unsigned long long>(checksum));
    return 0;
}

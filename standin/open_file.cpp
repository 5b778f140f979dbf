// OpenFile and _lclose of the Win32 subset. OpenFile looks for the file where Windows would
// for a bare name: the path as typed first; then, for a name without a folder, the current
// folder and each folder of PATH. It opens the file for reading and gives its descriptor, or
// HFILE_ERROR. _lclose closes only descriptors that OpenFile gave.
#include "standin/buffers.h"
#include "standin/files.h"
#include "standin/host_state.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace standin;

namespace {

int OpenForReading(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

// Tries the candidate folders in order; the descriptor and the path that opened, or -1.
int Search(const std::string& name, std::string& found) {
    found = name;
    if (const int fd = OpenForReading(name); fd >= 0 || name.find('/') != std::string::npos) {
        return fd;
    }
    std::vector<std::string> folders{"."};
    if (const char* path = std::getenv("PATH")) {
        ForEachPart(path, ':', [&](std::string_view folder) { folders.emplace_back(folder); });
    }
    for (const std::string& folder : folders) {
        found = folder + "/" + name;
        if (const int fd = OpenForReading(found); fd >= 0) {
            return fd;
        }
    }
    found = name;
    return -1;
}

} // namespace

extern "C" {

WIN32_STANDIN_API HFILE OpenFile(LPCSTR fileName, OFSTRUCT* info, UINT) {
    return Guarded<HFILE>(HFILE_ERROR, [&]() -> HFILE {
        if (info) {
            *info = OFSTRUCT{};
            info->cBytes = sizeof(OFSTRUCT);
        }
        if (!fileName || !*fileName) {
            if (info) {
                info->nErrCode = ENOENT;
            }
            return HFILE_ERROR;
        }
        std::string found;
        const int fd = Search(fileName, found);
        if (info) {
            CopyTextOut(info->szPathName, OFS_MAXPATHNAME, found);
            info->nErrCode = fd < 0 ? static_cast<WORD>(errno == 0 ? ENOENT : errno) : 0;
        }
        if (fd < 0) {
            return HFILE_ERROR;
        }
        State().openFiles.insert(fd);
        return fd;
    });
}

WIN32_STANDIN_API HFILE _lclose(HFILE file) {
    if (State().openFiles.erase(file) == 0) {
        return HFILE_ERROR;
    }
    return ::close(file) == 0 ? 0 : HFILE_ERROR;
}

} // extern "C"

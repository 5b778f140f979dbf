// The few POSIX file calls the stand-in's atomic writers use, for MinGW too: there the C runtime
// (msvcrt) has no fsync, fchmod or O_CLOEXEC, opens files in text mode by default, and its rename
// refuses an existing target, so the replacement goes through MoveFileExA.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>

#ifndef O_CLOEXEC
#define O_CLOEXEC 0 // msvcrt descriptors are not inherited by default
#endif
inline int fsync(int fd) {
    return _commit(fd);
}
inline int fchmod(int, mode_t) {
    return 0; // msvcrt files carry no permission bits beyond read-only
}
#endif

namespace standin {
// msvcrt opens files in text mode unless told otherwise, and would write every LF as CR LF.
#if defined(_WIN32)
constexpr int kBinaryFile = O_BINARY;
#else
constexpr int kBinaryFile = 0;
#endif

// Renames `from` over `to`, replacing an existing `to`; 0 on success like rename.
inline int RenameOver(const char* from, const char* to) {
#if defined(_WIN32)
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) ? 0 : -1;
#else
    return std::rename(from, to);
#endif
}
} // namespace standin

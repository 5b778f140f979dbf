// The group writer of the export: fixes the exact text of every line of an exported file and
// writes the file safely, so that a failed export never leaves a damaged target behind.
#pragma once

#include "host/win32.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

// One output file of one export. Groups are formatted into a large buffer of the writer's own,
// with CR LF line ends written by the writer itself, and reach the file in big binary writes.
//
// A regular target is not touched until the end: the groups go to a temporary file in the
// target's folder, which Commit renames over the target once everything, the close included,
// has succeeded. A target that exists and is neither a regular file nor a folder (a device such
// as /dev/full, a pipe) is written directly, since it cannot be replaced by a rename.
class DxfWriter {
  public:
    DxfWriter() = default;
    // Closes a file that is still open; an export that was not committed leaves no temporary
    // file behind.
    ~DxfWriter();
    DxfWriter(const DxfWriter&) = delete;
    DxfWriter& operator=(const DxfWriter&) = delete;

    // Prepares the output for `path`: true when the target can be written. A missing folder,
    // a folder as target, a target without write permission or a temporary file that cannot be
    // created all give false, and the target is left as it was.
    bool Open(const char* path);

    // Each writes one whole group: the code line (two blanks, then the code) and the value line.
    // They return 1; after a failed write the groups are dropped and Commit reports the failure.
    std::int32_t WriteStringGroup(std::int32_t code, const char* text);
    std::int32_t WriteIntGroup(std::int32_t code, std::int32_t value);
    std::int32_t WriteUnsignedGroup(std::int32_t code, std::uint32_t value);
    // Fixed-point with six decimals, point as separator, no exponent: the digits of "%.6f".
    std::int32_t WriteRealGroup(std::int32_t code, double value);

    // Gives up the file: nothing more is written and Commit reports a failure.
    void Abandon() { failed_ = true; }

    // Writes what is buffered, closes the file and puts it in place of the target. False when a
    // write, the close or the rename failed; the target then keeps its old content (or stays
    // missing) and the temporary file is removed.
    bool Commit();

  private:
    // One group of a number: the code line, the number's characters, CR LF.
    template <typename... Args>
    void AppendNumberGroup(std::int32_t code, Args... args);
    void EndLine() { pending_.append("\r\n", 2); }
    void FlushIfFull();
    bool Flush();
    bool CloseFile();
    void DiscardTemporary();

    std::FILE* file_ = nullptr;
    std::filesystem::path target_;
    std::filesystem::path temporary_; // empty when the target is written directly
    std::string pending_;
    bool failed_ = false;
};

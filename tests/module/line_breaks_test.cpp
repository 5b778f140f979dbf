// Line breaks converted in place over a buffer of a given length: a pair that starts on the last
// byte is not a pair, whatever follows the buffer.
#include "module/line_breaks.h"

#include <gtest/gtest.h>

#include <string>

TEST(LineBreaks, ArePairsWithinTheLengthOnly) {
    struct Case {
        std::string bytes; // the buffer and, after it, bytes that are not part of it
        std::size_t length;
        LineBreakMode mode;
        std::string expected;
    };
    const Case cases[] = {
        {"a\\nb\\n", 6, LineBreakMode::BackslashNToCrLf, "a\r\nb\r\n"},
        {"a\\n", 2, LineBreakMode::BackslashNToCrLf, "a\\n"},
        {"\\\\nn", 4, LineBreakMode::BackslashNToCrLf, "\\\r\nn"},
        {"a\r\nb\r\n", 6, LineBreakMode::CrLfToBackslashN, "a\\nb\\n"},
        {"a\r\n", 2, LineBreakMode::CrLfToBackslashN, "a\r\n"},
    };
    for (const Case& c : cases) {
        std::string buffer = c.bytes;
        EXPECT_EQ(ConvertLineBreaks(buffer.data(), c.length, c.mode), 1);
        EXPECT_EQ(buffer, c.expected) << c.bytes;
    }
    EXPECT_EQ(ConvertLineBreaks(nullptr, 4, LineBreakMode::CrLfToBackslashN), 1);
}

// The codes DXF texts carry in place of characters and formatting, for the extended import:
// the %% control codes of TEXT, MTEXT and ATTRIB values, the \U+ escapes of drawings written in
// a code page, and the formatting codes of MTEXT. Every symbol the codes stand for is written in
// UTF-8 (° C2 B0, ± C2 B1, ⌀ E2 8C 80), whatever encoding the rest of the text has.
#pragma once

#include <string>
#include <string_view>

// Appends the UTF-8 form of a code point; one that is no character (a surrogate, beyond
// U+10FFFF) or 0 appends nothing.
void AppendUtf8(std::string& text, char32_t codePoint);

// Reads the four hex digits of a \U+ escape at the start of `digits` (the part after "\U+");
// gives the number of digits used: 4, or 0 when four hex digits do not follow.
std::size_t ReadUnicodeEscape(std::string_view digits, char32_t& codePoint);

// Replaces the %% control codes in place: %%d °, %%p ±, %%c ⌀ (letters in either case), %%%
// %, %%nnn (three digits) the character with that code read as Latin-1; %%u and %%o (underline,
// overline) are dropped. Any other %% stays as it is.
void DecodePercentCodes(std::string& text);

// Replaces the \U+XXXX escapes of a TEXT or ATTRIB value in place.
void DecodeUnicodeEscapes(std::string& text);

// The plain text of an MTEXT value: formatting codes removed (\f…; \H…; \C…; \A…; and the
// others with an argument up to ';', \L \l \O \o \K \k, braces of groups), \P and \N as CR LF,
// \~ as a space, \\ \{ \} as the characters, stacks \Sa^b; as "a/b", \U+XXXX as the character,
// ^J as CR LF and ^I as a space. Linear in the length of the value.
std::string PlainMText(std::string_view value);

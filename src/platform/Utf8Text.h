#pragma once
// Well-formed UTF-8 and how text of any origin is shown on one line. Portable: the Linux ports
// need it for names that may hold any byte, the command line for whatever it prints.
#include <cstddef>
#include <string>
#include <string_view>

namespace ardeko::platform {

// Length of the well-formed UTF-8 sequence at `i` (no overlong forms, no surrogates, nothing
// above U+10FFFF), or 0. `i` must lie inside `text`.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i);

bool IsValidUtf8(std::string_view text);

// Text as a line of a text file or of the terminal can hold it without doubt: valid UTF-8
// passes, a backslash is doubled, and control characters (a line feed in a file name) and
// bytes that are not UTF-8 become \xHH. Names on Linux may hold any byte but '/' and NUL;
// this way every such name is still written on one line and can be told apart from others.
// Names on Windows are UTF-16 and arrive here valid and without control characters; there the
// backslash is the path separator and may stay single, since no escape can come from a name.
enum class Backslashes { Doubled, Single };
std::string VisibleText(std::string_view text, Backslashes backslashes = Backslashes::Doubled);

// Number of characters (code points) of UTF-8 text; a stray byte counts as one.
std::size_t CodePointCount(std::string_view text);

}  // namespace ardeko::platform

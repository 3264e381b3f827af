// Windows-1252 <-> UTF-8 for the engine's storage boundary. The mapping is
// one-to-one over all 256 bytes (the five unassigned bytes map to the C1
// code points of the same value), so memo bytes survive any round trip.
#pragma once

#include <string>
#include <string_view>

namespace dbe {

std::string Cp1252ToUtf8(std::string_view bytes);
// False when the text holds a character that Windows-1252 cannot hold or is
// not valid UTF-8 (an overlong or cut sequence, a surrogate); `out` then
// holds what converted so far, and `validUtf8`, when given, tells the two
// apart.
bool Utf8ToCp1252(std::string_view utf8, std::string &out, bool *validUtf8 = nullptr);

// The byte of one code point, or -1.
int CodePointToCp1252(char32_t cp);
unsigned char Cp1252Upper(unsigned char c);

}  // namespace dbe

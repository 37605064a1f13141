#pragma once
// Conversions between the Windows-1252 text the system handles and the UTF-8 of Linux file names and terminals.

#include <optional>
#include <string>

namespace quibel {

std::string Cp1252ToUtf8(const std::string& text);
// False for a cut or stray sequence, an overlong form, a surrogate or a value above U+10FFFF.
bool IsWellFormedUtf8(const std::string& text);
// Empty when the text is not well-formed UTF-8 or holds a character that Windows-1252 cannot represent.
std::optional<std::string> Utf8ToCp1252(const std::string& text);

}  // namespace quibel

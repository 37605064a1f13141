#pragma once
// Names as macOS and some tools write them: decomposed, "e" followed by a combining accent (U+0301). Windows-1252
// holds only composed letters, so a name is composed (Unicode's NFC) before its Windows-1252 form is sought; the
// package keeps that composed form.

#include <string>

namespace quibel::qpack {

// UTF-8 text in its composed form (NFC); the text unchanged when it is not well-formed UTF-8.
std::string ComposedUtf8(const std::string& text);

}  // namespace quibel::qpack

// Base64 (the standard alphabet with "+" and "/", "=" padding), as data URLs carry binary
// data such as a PNG picture.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace voltaris {

// The bytes `text` encodes. Line breaks and blanks are skipped; missing padding is
// accepted. Nothing when the text holds any other character, data after the padding, or
// a length no encoding can have.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace voltaris

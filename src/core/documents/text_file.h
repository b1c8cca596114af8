// Whole-file text reading and crash-safe file replacement for the documents.
#pragma once

#include <string>
#include <string_view>

namespace voltaris {

// True when a file (not a folder) exists at `fileName`.
bool TextFileExists(const std::string& fileName);

// Reads a whole file as UTF-8 text: a leading byte order mark is skipped and bytes that
// are not valid UTF-8 become U+FFFD. Fails with a DocumentError "Cannot open file "<name>".
// <reason>" when the file cannot be opened or read.
std::string ReadTextFile(const std::string& fileName);

// Replaces the file `fileName` with `bytes`: the bytes go to a new temporary file in the
// same folder, are flushed to disk and then renamed over the target, so a failed write
// leaves the old file as it was. The folder is created (with its parents) when missing.
// Fails with a DocumentError "Cannot create file "<name>". <reason>"; folder creation
// failures propagate as std::filesystem::filesystem_error.
void WriteFileReplacing(const std::string& fileName, std::string_view bytes);

}  // namespace voltaris

// Whole-file text reading and crash-safe file replacement for the documents.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace voltaris {

// True when a file (not a folder) exists at `fileName`.
bool TextFileExists(const std::string& fileName);

// The largest file ReadTextFile reads: far above any document or script this program
// writes, far below what would exhaust the memory.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{64} << 20;

// Reads a whole file as UTF-8 text: a leading byte order mark is skipped and bytes that
// are not valid UTF-8 become U+FFFD. A file saved as UTF-16 or UTF-32 (little or big
// endian, told by its byte order mark) is converted to UTF-8; one that is not valid in its
// form is refused, saying what is wrong where. Only a regular file is read: a folder, a
// device, a pipe or a socket is refused before any byte is read (the file is opened
// without blocking, so a pipe nobody writes to cannot hang the program), as is a file
// larger than kMaxTextFileBytes. Fails with a DocumentError "Cannot open file "<name>".
// <reason>".
std::string ReadTextFile(const std::string& fileName);

// The text of a file's bytes as ReadTextFile makes it (byte order mark, UTF-16/UTF-32,
// invalid UTF-8); `fileName` is for the message only.
std::string TextOfFileBytes(std::string bytes, const std::string& fileName);

// Replaces the file `fileName` with `bytes`: the bytes go to a new temporary file in the
// same folder, are flushed to disk and then renamed over the target, so a failed write
// leaves the old file as it was. The folder is created (with its parents) when missing.
// Only a regular file is ever replaced: a folder, a device, a pipe or a socket at the
// target is refused, as is a read-only file, and the target stays as it was.
// Fails with a DocumentError "Cannot create file "<name>". <reason>"; folder creation
// failures propagate as std::filesystem::filesystem_error.
void WriteFileReplacing(const std::string& fileName, std::string_view bytes);

}  // namespace voltaris

#pragma once
// Whole-file reads and durable whole-file writes.
#include <string>

// True with the bytes; true with nothing when the file does not exist; false when it exists
// but cannot be read.
bool readFileBytes(const char* path, std::string& bytes);
// Writes a temporary file beside path (created exclusively, see temp_file.h), flushes it to
// disk and renames it over path, so a crash leaves the old or the new file whole. A new file
// gets mode; an existing one keeps its own; a private one loses every bit for group and
// others either way.
bool writeFileAtomically(const char* path, const std::string& bytes, unsigned mode,
                         bool privateFile = false);

#pragma once
// Reading and rewriting the data files samples.dat and statics.dat.
#include <cstddef>
#include <cstdio>
#include <string_view>

// Lines as the runtime's text mode gives them, from a file opened in binary: a line ends
// at LF, a CR right before the LF is dropped, a lone CR stays in the line.
struct LineReader {
  std::FILE* file = nullptr;
  char chunk[16384];
  std::size_t pos = 0, length = 0;
};

enum class LineResult { Line, End, TooLong };

// Reads the next line into line (capacity maxChars + 2, zero-terminated; it may hold NUL
// bytes, counted in length). A line longer than maxChars gives TooLong: the caller stops.
// A last line without a line end is a line.
LineResult readLine(LineReader& reader, char* line, std::size_t maxChars, std::size_t& length);

// Up to maxTokens tokens of the line's text before its first NUL, separated by runs of
// the given bytes. Returns how many were found (at most maxTokens).
int splitTokens(const char* line, std::size_t length, std::string_view separators,
                std::string_view* tokens, int maxTokens);

// A file rewritten whole: the text goes to a temporary file that replaces the old one
// only when every byte was written, so a crash or a full disk leaves the old file.
struct FileRewrite {
  std::FILE* file = nullptr;
  const char* tempPath = nullptr;
  const char* finalPath = nullptr;
  bool failed = false;
};

bool beginRewrite(FileRewrite& w, const char* finalPath, const char* tempPath);
void writeText(FileRewrite& w, std::string_view text);
// Closes and puts the file in place; on any failure removes the temporary file.
bool commitRewrite(FileRewrite& w);

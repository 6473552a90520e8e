#pragma once
// Reading and rewriting the data files samples.dat and statics.dat.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// Lines as the runtime's text mode gives them, from a file opened in binary: a line ends
// at LF, a CR right before the LF is dropped, a lone CR stays in the line.
struct LineReader {
  std::FILE* file = nullptr;
  bool failed = false;  // a read error: the file was not read to its end
  char chunk[16384];
  std::size_t pos = 0, length = 0;
};

enum class LineResult { Line, End };

// Reads the next line into line (capacity maxChars + 2, zero-terminated; it may hold NUL
// bytes, counted in length). A longer line is cut to its first maxChars characters and the
// rest of it skipped: one overlong line never ends the reading of the lines after it.
// A last line without a line end is a line.
LineResult readLine(LineReader& reader, char* line, std::size_t maxChars, std::size_t& length);

// The line's text before its first NUL.
std::string_view lineText(const char* line, std::size_t length);

// Up to maxTokens tokens of the line's text before its first NUL, separated by runs of
// the given bytes. Returns how many were found (at most maxTokens).
int splitTokens(const char* line, std::size_t length, std::string_view separators,
                std::string_view* tokens, int maxTokens);

// The part of text after the given token (a view into text), without the separators on
// either side of it.
std::string_view restAfter(std::string_view text, std::string_view token,
                           std::string_view separators);

// How opening a data file for reading went.
enum class DataFileOpen { Opened, Missing, Unreadable };
DataFileOpen openDataFile(const char* path, std::FILE*& file);

// A file rewritten whole: the text goes to a temporary file that replaces the old one
// only when every byte was written, so a crash or a full disk leaves the old file.
struct FileRewrite {
  std::FILE* file = nullptr;
  std::string tempPath;
  const char* finalPath = nullptr;
  bool failed = false;
};

// The temporary file is created exclusively under a unique name beside finalPath.
bool beginRewrite(FileRewrite& w, const char* finalPath);
void writeText(FileRewrite& w, std::string_view text);
// Closes and puts the file in place; on any failure removes the temporary file.
bool commitRewrite(FileRewrite& w);

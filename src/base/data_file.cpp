#include "base/data_file.h"

#include <cerrno>
#include <cstring>

#include "platform/system_platform.h"

namespace {

int nextByte(LineReader& r) {
  if (r.pos == r.length) {
    if (!r.file) return -1;
    r.length = std::fread(r.chunk, 1, sizeof r.chunk, r.file);
    r.pos = 0;
    if (r.length == 0) {
      if (std::ferror(r.file)) r.failed = true;
      return -1;
    }
  }
  return static_cast<unsigned char>(r.chunk[r.pos++]);
}

}  // namespace

LineResult readLine(LineReader& reader, char* line, std::size_t maxChars, std::size_t& length) {
  length = 0;
  line[0] = 0;
  int c = nextByte(reader);
  if (c < 0) return LineResult::End;
  // One byte beyond the limit is kept: it may be the CR of a CR LF.
  std::size_t total = 0;
  for (; c >= 0 && c != '\n'; c = nextByte(reader)) {
    if (length <= maxChars) line[length++] = static_cast<char>(c);
    ++total;
  }
  if (c == '\n' && total == length && length > 0 && line[length - 1] == '\r') --length;
  if (length > maxChars) length = maxChars;
  line[length] = 0;
  return LineResult::Line;
}

std::string_view lineText(const char* line, std::size_t length) {
  const void* nul = std::memchr(line, 0, length);
  return std::string_view(line, nul ? static_cast<const char*>(nul) - line : length);
}

int splitTokens(const char* line, std::size_t length, std::string_view separators,
                std::string_view* tokens, int maxTokens) {
  const std::string_view text = lineText(line, length);
  int n = 0;
  std::size_t at = 0;
  while (n < maxTokens) {
    at = text.find_first_not_of(separators, at);
    if (at == std::string_view::npos) break;
    std::size_t end = text.find_first_of(separators, at);
    if (end == std::string_view::npos) end = text.size();
    tokens[n++] = text.substr(at, end - at);
    at = end;
  }
  return n;
}

std::string_view restAfter(std::string_view text, std::string_view token,
                           std::string_view separators) {
  std::string_view rest =
      text.substr(static_cast<std::size_t>(token.data() - text.data()) + token.size());
  const std::size_t first = rest.find_first_not_of(separators);
  if (first == std::string_view::npos) return std::string_view();
  rest.remove_prefix(first);
  return rest.substr(0, rest.find_last_not_of(separators) + 1);
}

DataFileOpen openDataFile(const char* path, std::FILE*& file) {
  bool missing = false;
  file = platform::openForReading(path, missing);
  if (file) return DataFileOpen::Opened;
  return missing ? DataFileOpen::Missing : DataFileOpen::Unreadable;
}

bool beginRewrite(FileRewrite& w, const char* finalPath) {
  w.finalPath = finalPath;
  w.tempPath.clear();
  w.failed = false;
  w.file = platform::createTempFile(finalPath, w.tempPath);
  return w.file != nullptr;
}

void writeText(FileRewrite& w, std::string_view text) {
  if (!w.file || w.failed || text.empty()) return;
  if (std::fwrite(text.data(), 1, text.size(), w.file) != text.size()) w.failed = true;
}

bool commitRewrite(FileRewrite& w) {
  if (!w.file) return false;
  if (std::fflush(w.file) != 0) w.failed = true;
  if (std::fclose(w.file) != 0) w.failed = true;
  w.file = nullptr;
  if (!w.failed && platform::replaceFile(w.tempPath.c_str(), w.finalPath)) return true;
  platform::removeFile(w.tempPath.c_str());
  return false;
}

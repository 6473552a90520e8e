#include "core/data_file.h"

#include <cstring>

#include "platform/system_platform.h"

namespace {

int nextByte(LineReader& r) {
  if (r.pos == r.length) {
    if (!r.file) return -1;
    r.length = std::fread(r.chunk, 1, sizeof r.chunk, r.file);
    r.pos = 0;
    if (r.length == 0) return -1;  // end of file or a read error
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
  for (; c >= 0 && c != '\n'; c = nextByte(reader)) {
    if (length == maxChars + 1) return LineResult::TooLong;
    line[length++] = static_cast<char>(c);
  }
  if (c == '\n' && length > 0 && line[length - 1] == '\r') --length;
  if (length > maxChars) return LineResult::TooLong;
  line[length] = 0;
  return LineResult::Line;
}

int splitTokens(const char* line, std::size_t length, std::string_view separators,
                std::string_view* tokens, int maxTokens) {
  const void* nul = std::memchr(line, 0, length);
  const std::string_view text(line, nul ? static_cast<const char*>(nul) - line : length);
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

bool beginRewrite(FileRewrite& w, const char* finalPath, const char* tempPath) {
  w.finalPath = finalPath;
  w.tempPath = tempPath;
  w.failed = false;
  w.file = std::fopen(tempPath, "wb");
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
  if (!w.failed && platform::replaceFile(w.tempPath, w.finalPath)) return true;
  platform::removeFile(w.tempPath);
  return false;
}

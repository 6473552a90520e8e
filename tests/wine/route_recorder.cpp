// Stands in for the system's route command, which Wine does not have: appends the command
// line it was started with, as it was given, to route_calls.txt beside itself. With
// route_refuses.txt beside it, prints that file and exits 1, as a refused command does.
// clang-format off
#include <windows.h>
// clang-format on

#include <cstdio>
#include <cstring>
#include <string>

int main() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string file(path, n < MAX_PATH ? n : 0);
  const std::size_t cut = file.rfind('\\');
  file = (cut == std::string::npos ? std::string() : file.substr(0, cut + 1)) + "route_calls.txt";
  std::FILE* f = std::fopen(file.c_str(), "ab");
  if (!f) return 1;
  const char* line = GetCommandLineA();
  std::fwrite(line, 1, std::strlen(line), f);
  std::fwrite("\r\n", 1, 2, f);
  std::fclose(f);
  const std::string refusal = file.substr(0, file.size() - 15) + "route_refuses.txt";
  std::FILE* r = std::fopen(refusal.c_str(), "rb");
  if (!r) return 0;
  char text[256];
  const std::size_t got = std::fread(text, 1, sizeof text, r);
  std::fclose(r);
  std::fwrite(text, 1, got, stdout);
  return 1;
}

#pragma once
// A fresh directory that a test works in; the previous working directory comes back and
// the directory is removed when the object goes. Also whole-file helpers for its files.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

struct ScratchDir {
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::path path;

  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vetrel-core-XXXXXX").string();
    if (mkdtemp(pattern.data())) path = pattern;
    std::filesystem::current_path(path);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(previous, ec);
    std::filesystem::remove_all(path, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
};

// Whole files as bytes, for the data files the tests plant and read back.
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

#pragma once
// Scratch files for the backend's tests under Wine, and the lab's guard.
#include <string>

// A fresh directory under the Windows temporary directory, removed with its files.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const char* name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

std::string readWholeFile(const std::string& path);  // empty when missing
bool writeWholeFile(const std::string& path, const std::string& text);
bool fileExists(const std::string& path);

// True when backend.sh runs the tests inside its network namespace.
bool insideLab();

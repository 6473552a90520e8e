#pragma once
// A fresh folder for a target's files, under $TMPDIR (run.sh points that at a folder it
// removes afterwards).
#include <stdlib.h>

#include <cstdlib>
#include <string>

inline std::string scratchFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string path = std::string(base && *base ? base : "/tmp") + "/vetrel-fuzz-XXXXXX";
  if (!mkdtemp(path.data())) std::abort();
  return path;
}

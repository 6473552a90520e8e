#include "base/program_version.h"

// Only this file sees the generated header, so a new commit recompiles one file.
#include "vetrel_version.h"

const char* programVersion() { return VETREL_VERSION_TEXT; }

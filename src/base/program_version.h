#pragma once
// The program's version, set once in the build (project() in CMakeLists.txt).

// "4.1.5", or "4.1.5 (git 0123456789ab)" when built from a checkout.
const char* programVersion();

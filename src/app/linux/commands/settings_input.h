#pragma once
// A KEY=VALUE of `vetrel settings set` as typed, read into the Windows-1251 that quorel.ini
// holds.
#include <string>
#include <string_view>

struct TypedAssignment {
  std::string text;   // KEY=VALUE in Windows-1251
  std::string error;  // non-empty: refused, the key named
};

// The value is converted from charset (console_locale.h). Refused: text that is not valid in
// that charset, a character Windows-1251 lacks, a control character (a line break or ESC
// would forge lines of the file or of a terminal that prints it).
TypedAssignment assignmentFromConsole(std::string_view typed, const std::string& charset);

#pragma once
// Output of Windows-1251 text on a Linux console: in the locale's character set
// (console_locale.h), or the bytes unchanged under a Windows-1251 locale and with --cp1251
// (then a redirected journal matches quorel.log byte for byte).
#include <string>
#include <string_view>

#include "app/linux/console/console_stream.h"

// Text typed by the user: UTF-8 that Windows-1251 can hold is converted, anything else is
// taken as the bytes it is (so Windows-1251 given by a script passes unchanged).
std::string consoleInputText(std::string_view text);

// Writes the whole text (converted as the stream wants); false when the write failed. With a
// writer thread the text is queued and the answer is true.
bool writeConsole(ConsoleStream& stream, std::string_view text);
// "vetrel: " text and a line end on stderr: the program's own complaints.
void warnConsole(std::string_view text);

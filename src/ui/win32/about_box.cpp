// The about box: name and version, what the program does, where it lives, when it was built.
#include <cstdio>
#include <cstring>
#include <string>

#include "base/program_version.h"
#include "ui/win32/shell.h"
#include "ui/win32/win_text.h"

namespace {

// __DATE__ ("Mmm dd yyyy") as dd.mm.yyyy.
std::string buildDate() {
  static const char* const months = "JanFebMarAprMayJunJulAugSepOctNovDec";
  const char* d = __DATE__;
  int month = 0;
  for (int i = 0; i < 12; ++i)
    if (std::strncmp(months + 3 * i, d, 3) == 0) month = i + 1;
  const int day = std::atoi(d + 4);
  const int year = std::atoi(d + 7);
  char out[16];
  std::snprintf(out, sizeof out, "%02d.%02d.%04d", day, month, year);
  return out;
}

}  // namespace

void showAboutBox() {
  const std::string text = std::string("Vetrel ") + programVersion() +
                           "\n\nМонитор локальной ARP-таблицы     \n\n" + buildDate() +
                           "\nРаспространяется свободно, без каких-либо гарантий.";
  const std::wstring wide = toWide(text.c_str());
  const std::wstring caption = toWide("О программе");
  MessageBoxW(MainWindow, wide.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
}

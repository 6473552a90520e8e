#include "report/sample_notes_told.h"

#include <cstdint>
#include <cstdio>

#include "base/text_field.h"
#include "platform/settings_platform.h"
#include "report/journal.h"
#include "settings/settings.h"

namespace {

std::uint64_t fnv1a(const std::vector<std::string>& texts) {
  std::uint64_t h = 14695981039346656037ull;
  for (const std::string& t : texts)
    for (unsigned char c : t + '\n') h = (h ^ c) * 1099511628211ull;
  return h;
}

}  // namespace

void tellSampleFileNotes(const std::vector<std::string>& notes, const char* fileName,
                         const char* toldKey) {
  char stamp[20] = "";
  if (!notes.empty())
    std::snprintf(stamp, sizeof stamp, "%016llx", static_cast<unsigned long long>(fnv1a(notes)));
  if (!iniPath.empty()) {
    char told[20] = "";
    platform::profileGetString(kIniSection, toldKey, "", told, sizeof told, iniPath.c_str());
    if (fieldView(told) == fieldView(stamp)) return;
    // Written before the telling: a start that cannot keep the stamp tells again, no more.
    platform::profileWriteKeys(kIniSection, {{toldKey, stamp}}, iniPath.c_str());
  }
  // A file full of faults gives a bounded number of lines.
  constexpr std::size_t kToldMax = 16;
  for (std::size_t i = 0; i < notes.size() && i < kToldMax; ++i)
    reportEvent(notes[i].c_str(), ProgramError);
  if (notes.size() <= kToldMax) return;
  char more[80];
  std::snprintf(more, sizeof more, "Ещё ошибок в файле %.20s: %zu.", fileName,
                notes.size() - kToldMax);
  reportEvent(more, ProgramError);
}

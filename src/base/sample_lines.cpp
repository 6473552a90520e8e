#include "base/sample_lines.h"

#include <cstdio>
#include <new>

#include "base/address_input.h"
#include "base/data_file.h"

namespace {

// Of a longer line only this much is looked at; its fields are cut to their sizes anyway.
constexpr std::size_t kSampleLineMax = 1023;
constexpr std::string_view kSeparators = " \t\r\n";
constexpr std::size_t kShownLineMax = 60;  // of a line told in the journal

std::string sampleKey(const SampleText& s) {
  std::string key(s.ip);
  key.append(1, '\t').append(s.mac).append(1, '\t').append(s.name);
  return key;
}

void noteSamplesOnDisk(SampleFile& file, const SampleListAccess& list, std::size_t first) {
  file.onDisk.clear();
  for (std::size_t i = first; i < list.size(); ++i) file.onDisk.insert(sampleKey(list.at(i)));
}

// One line of the file: a sample, a line kept as written (and told), or a blank line.
void takeSampleLine(SampleFile& file, SampleListAccess& list, const char* line, std::size_t length,
                    std::size_t number, std::vector<std::string>& notes) {
  const std::string_view text = lineText(line, length);
  SampleLineFields f;
  if (!splitSampleLine(text, f)) return;
  if (const char* why = list.lineFault(f)) {
    file.keptLines.push_back({list.size(), std::string(line, length)});
    notes.push_back(unreadLineNote(file.path, number, text, why));
    return;
  }
  list.append(list.made(f), &notes);
}

void writeLine(FileRewrite& w, std::string_view text) {
  writeText(w, text);
  writeText(w, "\r\n");
}

void writeSample(FileRewrite& w, const SampleText& s) {
  writeText(w, s.ip);
  writeText(w, "\t");
  writeText(w, s.mac);
  writeText(w, "\t");
  writeText(w, s.name);
  writeText(w, "\r\n");
}

// Takes in the samples another process wrote since this one last read or wrote the file,
// unless the list holds their address already. Removals there are not followed: a sample is
// never lost by a merge. Lines that hold no sample are this process's to keep, not taken.
void mergeSamplesOnDisk(SampleFile& file, SampleListAccess& list) {
  LineReader reader;
  if (openDataFile(file.path, reader.file) != DataFileOpen::Opened) return;
  char line[kSampleLineMax + 2];
  std::size_t length;
  std::vector<SampleText> disk;
  try {
    while (readLine(reader, line, kSampleLineMax, length) == LineResult::Line) {
      SampleLineFields f;
      if (splitSampleLine(lineText(line, length), f) && !list.lineFault(f))
        disk.push_back(list.made(f));
    }
  } catch (const std::bad_alloc&) {
    reader.failed = true;
  }
  std::fclose(reader.file);
  if (reader.failed) return;
  for (const SampleText& d : disk) {
    if (file.onDisk.count(sampleKey(d)) || list.holdsIp(d.ip)) continue;
    list.append(d, nullptr);
  }
}

}  // namespace

bool splitSampleLine(std::string_view text, SampleLineFields& f) {
  const std::size_t tab1 = text.find('\t');
  const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : text.find('\t', tab1 + 1);
  if (tab2 != std::string_view::npos) {
    const std::string_view ip = trimBlanks(text.substr(0, tab1));
    const bool noMac = trimBlanks(text.substr(tab1 + 1, tab2 - tab1 - 1)).empty();
    if (noMac && !ip.empty() && ip.find_first_of(kSeparators) == std::string_view::npos) {
      f.ip = ip;
      f.macPresent = true;
      std::string_view name = text.substr(tab2 + 1);
      const std::size_t from = name.find_first_not_of(kSeparators);
      name = from == std::string_view::npos ? std::string_view() : name.substr(from);
      f.name = name.substr(0, name.find_last_not_of(kSeparators) + 1);
      return true;
    }
  }
  std::string_view tokens[2];
  const int n = splitTokens(text.data(), text.size(), kSeparators, tokens, 2);
  if (n == 0) return false;
  f.ip = tokens[0];
  f.macPresent = n == 2;
  if (!f.macPresent) return true;
  f.mac = tokens[1];
  // The name is the rest of the line: a name typed with blanks comes back whole.
  f.name = restAfter(text, tokens[1], kSeparators);
  return true;
}

SampleFileRead readSampleFile(SampleFile& file, SampleListAccess& list,
                              std::vector<std::string>& notes) {
  file.keptWhole = false;
  file.keptLines.clear();
  const std::size_t first = list.size();
  LineReader reader;
  const DataFileOpen opened = openDataFile(file.path, reader.file);
  if (opened != DataFileOpen::Opened) {
    file.keptWhole = opened == DataFileOpen::Unreadable;
    noteSamplesOnDisk(file, list, first);
    return file.keptWhole ? SampleFileRead::Unreadable : SampleFileRead::Missing;
  }
  char line[kSampleLineMax + 2];
  std::size_t length, number = 0;
  try {
    while (readLine(reader, line, kSampleLineMax, length) == LineResult::Line)
      takeSampleLine(file, list, line, length, ++number, notes);
  } catch (const std::bad_alloc&) {
    reader.failed = true;  // the samples read so far stay; the file too
  }
  std::fclose(reader.file);
  file.keptWhole = reader.failed;
  noteSamplesOnDisk(file, list, first);
  return reader.failed ? SampleFileRead::ReadInPart : SampleFileRead::Read;
}

bool writeSampleFile(SampleFile& file, SampleListAccess& list) {
  if (file.keptWhole) return false;
  try {
    mergeSamplesOnDisk(file, list);
  } catch (const std::bad_alloc&) {
    return false;  // the file stays as it is, rather than lose what another process added
  }
  FileRewrite w;
  if (!beginRewrite(w, file.path)) return false;
  // Kept lines go back where they were among the samples; those after samples since removed,
  // at the end.
  std::size_t k = 0;
  const std::vector<KeptSampleLine>& kept = file.keptLines;
  for (std::size_t i = 0; i < list.size(); ++i) {
    for (; k < kept.size() && kept[k].before <= i; ++k) writeLine(w, kept[k].text);
    writeSample(w, list.at(i));
  }
  for (; k < kept.size(); ++k) writeLine(w, kept[k].text);
  if (!commitRewrite(w)) return false;
  noteSamplesOnDisk(file, list, 0);
  return true;
}

void sampleRemoved(SampleFile& file, std::size_t index) {
  for (KeptSampleLine& k : file.keptLines)
    if (k.before > index) --k.before;
}

std::string unreadLineNote(const char* fileName, std::size_t lineNumber, std::string_view text,
                           const char* why) {
  // The line as a reader sees it: runs of blanks and TABs as one blank, cut.
  std::string shown;
  for (char c : trimBlanks(text)) {
    const bool blank = c == ' ' || c == '\t';
    if (blank && !shown.empty() && shown.back() == ' ') continue;
    if (shown.size() == kShownLineMax) break;
    shown.push_back(blank ? ' ' : c);
  }
  char note[512];  // a journal line's room
  std::snprintf(note, sizeof note,
                "Ошибка в файле %s, строка %zu (%s): %s. Строка оставлена как есть и не "
                "используется.",
                fileName, lineNumber, why, shown.c_str());
  return note;
}

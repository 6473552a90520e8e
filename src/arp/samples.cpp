#include "arp/samples.h"

#include <cstdio>
#include <new>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "arp/sample_notes.h"
#include "base/address_input.h"
#include "base/data_file.h"
#include "base/text_field.h"
#include "report/journal.h"

int SelectedRow = -1;
std::uint64_t samplesChanged = 0;

namespace {

// Of a longer line only this much is looked at; its fields are cut to their sizes anyway.
constexpr std::size_t kSampleLineMax = 1023;
constexpr std::string_view kSeparators = " \t\r\n";

// The file was there but could not be read whole: a save would replace the samples that
// were not read with the shorter list.
bool samplesFileKept = false;

// Two texts of one address are one sample, however the file or the user wrote them.
bool sameIpText(std::string_view a, std::string_view b) {
  std::uint32_t x, y;
  if (readIpv4Text(a, x) && readIpv4Text(b, y)) return x == y;
  return a == b;
}

// The samples as this process last read or wrote the file. Another process (a scan beside a
// monitor) may have rewritten it since: what it added is taken in before our next save.
std::unordered_set<std::string> samplesOnDisk;

std::string sampleKey(const AddressEntry& e) {
  std::string key(fieldView(e.ipText));
  key.append(1, '\t').append(fieldView(e.macText)).append(1, '\t').append(fieldView(e.hostName));
  return key;
}

void keepUnreadSamplesFile() {
  samplesFileKept = true;
  reportEvent("Ошибка чтения файла samples.dat. Файл не будет перезаписан.", ProgramError);
}

// A line that holds no sample, as it was read, and the number of samples read before it: the
// file keeps it in its place, for the user to mend.
struct KeptLine {
  std::size_t before;
  std::string text;
};
std::vector<KeptLine> keptLines;

// The first two fields of a line and the rest (the name). A line whose first two TABs hold
// nothing between them is a sample without a MAC (the blank reading would take the name's
// first word for one); every other line is read by runs of blanks and TABs, as it always was.
struct LineFields {
  std::string_view ip, mac, name;
  bool macPresent = false;
};
bool splitSampleLine(std::string_view text, LineFields& f) {
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

// A plain address in its dotted-decimal form, so that matching (which compares text), the
// duplicate test and learning agree on it; a pattern as written.
AddressEntry sampleOf(const LineFields& f) {
  AddressEntry e = makeEntry();
  char canonical[20];
  if (canonicalIpv4Text(f.ip, canonical))
    copyField(e.ipText, fieldView(canonical));
  else
    copyField(e.ipText, f.ip);
  copyField(e.macText, f.mac);
  copyField(e.hostName, f.name);
  return e;
}

// One line of the file: a sample, a line kept as written (and told), or a blank line.
void takeSampleLine(const char* line, std::size_t length, std::size_t number,
                    std::vector<std::string>& notes) {
  const std::string_view text = lineText(line, length);
  LineFields f;
  if (!splitSampleLine(text, f)) return;
  if (const char* why = sampleLineFault(f.ip, f.mac, f.macPresent)) {
    keptLines.push_back({SampleList.size(), std::string(line, length)});
    notes.push_back(unreadLineNote(number, text, why));
    return;
  }
  SampleList.push_back(sampleOf(f));
  if (const char* why = sampleMacMisfit(SampleList.back()))
    notes.push_back(macMisfitNote(SampleList.back(), why));
}

void writeLine(FileRewrite& w, std::string_view text) {
  writeText(w, text);
  writeText(w, "\r\n");
}

void writeSample(FileRewrite& w, const AddressEntry& e) {
  writeText(w, fieldView(e.ipText));
  writeText(w, "\t");
  writeText(w, fieldView(e.macText));
  writeText(w, "\t");
  writeText(w, fieldView(e.hostName));
  writeText(w, "\r\n");
}

void noteSamplesOnDisk(std::size_t first) {
  samplesOnDisk.clear();
  for (std::size_t i = first; i < SampleList.size(); ++i)
    samplesOnDisk.insert(sampleKey(SampleList[i]));
}

// Takes in the samples another process wrote since this one last read or wrote the file,
// unless the list holds their address already. Removals there are not followed: a sample is
// never lost by a merge. Lines that hold no sample are this process's to keep, not taken.
void mergeSamplesOnDisk() {
  LineReader reader;
  if (openDataFile(kSamplesFile, reader.file) != DataFileOpen::Opened) return;
  char line[kSampleLineMax + 2];
  std::size_t length;
  AddressList disk;
  try {
    while (readLine(reader, line, kSampleLineMax, length) == LineResult::Line) {
      LineFields f;
      if (splitSampleLine(lineText(line, length), f) && !sampleLineFault(f.ip, f.mac, f.macPresent))
        disk.push_back(sampleOf(f));
    }
  } catch (const std::bad_alloc&) {
    reader.failed = true;
  }
  std::fclose(reader.file);
  if (reader.failed) return;
  for (const AddressEntry& d : disk) {
    if (samplesOnDisk.count(sampleKey(d))) continue;
    bool known = false;
    for (const AddressEntry& s : SampleList)
      if ((known = sameIpText(fieldView(s.ipText), fieldView(d.ipText)))) break;
    if (known) continue;
    SampleList.push_back(d);
    noteSamplesChanged();
  }
}

}  // namespace

void loadSamples() {
  samplesFileKept = false;
  keptLines.clear();
  const std::size_t first = SampleList.size();
  LineReader reader;
  const DataFileOpen opened = openDataFile(kSamplesFile, reader.file);
  if (opened == DataFileOpen::Unreadable) keepUnreadSamplesFile();
  if (opened != DataFileOpen::Opened) return noteSamplesOnDisk(first);
  char line[kSampleLineMax + 2];
  std::size_t length, number = 0;
  std::vector<std::string> notes;
  try {
    while (readLine(reader, line, kSampleLineMax, length) == LineResult::Line)
      takeSampleLine(line, length, ++number, notes);
  } catch (const std::bad_alloc&) {
    reader.failed = true;  // the samples read so far stay; the file too
  }
  std::fclose(reader.file);
  noteSamplesChanged();
  if (reader.failed) keepUnreadSamplesFile();
  noteSamplesOnDisk(first);
  tellSampleNotes(notes);
}

void saveSamples() {
  if (samplesFileKept) return;
  try {
    mergeSamplesOnDisk();
  } catch (const std::bad_alloc&) {
    return;  // the file stays as it is, rather than lose what another process added
  }
  FileRewrite w;
  if (!beginRewrite(w, kSamplesFile)) return;
  // Kept lines go back where they were among the samples; those after samples since removed,
  // at the end.
  std::size_t k = 0;
  for (std::size_t i = 0; i < SampleList.size(); ++i) {
    for (; k < keptLines.size() && keptLines[k].before <= i; ++k) writeLine(w, keptLines[k].text);
    writeSample(w, SampleList[i]);
  }
  for (; k < keptLines.size(); ++k) writeLine(w, keptLines[k].text);
  if (commitRewrite(w)) noteSamplesOnDisk(0);
}

int addSample(const AddressEntry& entry) {
  const std::string_view ip = fieldView(entry.ipText);
  for (const AddressEntry& s : SampleList)
    if (sameIpText(fieldView(s.ipText), ip)) return -1;
  try {
    SampleList.push_back(entry);
    noteSamplesChanged();
  } catch (const std::bad_alloc&) {
    return kSampleNoMemory;  // not a duplicate: the caller must not say it is
  }
  return static_cast<int>(SampleList.size()) - 1;
}

void removeSample(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= SampleList.size()) return;
  SampleList.erase(SampleList.begin() + index);
  for (KeptLine& k : keptLines)
    if (k.before > static_cast<std::size_t>(index)) --k.before;
  noteSamplesChanged();
}

void moveSampleUp() {
  if (SelectedRow <= 0 || static_cast<std::size_t>(SelectedRow) >= SampleList.size()) return;
  std::swap(SampleList[SelectedRow], SampleList[SelectedRow - 1]);
  noteSamplesChanged();
  --SelectedRow;
}

void moveSampleDown() {
  if (SelectedRow < 0 || static_cast<std::size_t>(SelectedRow) + 1 >= SampleList.size()) return;
  std::swap(SampleList[SelectedRow], SampleList[SelectedRow + 1]);
  noteSamplesChanged();
  ++SelectedRow;
}

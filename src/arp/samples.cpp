#include "arp/samples.h"

#include <cstdio>
#include <new>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

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

// The samples as this process last read or wrote the file. Another process (a scan beside a
// monitor) may have rewritten it since: what it added is taken in before our next save.
std::unordered_set<std::string> samplesOnDisk;

std::string sampleKey(const AddressEntry& e) {
  std::string key(fieldView(e.ipText));
  key.append(1, '\t').append(fieldView(e.macText)).append(1, '\t').append(fieldView(e.hostName));
  return key;
}

// Two texts of one address are one sample, however the file or the user wrote them.
bool sameIpText(std::string_view a, std::string_view b) {
  std::uint32_t x, y;
  if (readIpv4Text(a, x) && readIpv4Text(b, y)) return x == y;
  return a == b;
}

void keepUnreadSamplesFile() {
  samplesFileKept = true;
  reportEvent("Ошибка чтения файла samples.dat. Файл не будет перезаписан.", ProgramError);
}

// A line whose first two TABs hold nothing between them is a sample without a MAC (the
// blank reading would take the name's first word for one); every other line is read by
// runs of blanks and TABs, as it always was.
bool readSampleLine(std::string_view text, AddressEntry& e) {
  const std::size_t tab1 = text.find('\t');
  const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : text.find('\t', tab1 + 1);
  if (tab2 != std::string_view::npos) {
    const std::string_view ip = trimBlanks(text.substr(0, tab1));
    const bool noMac = trimBlanks(text.substr(tab1 + 1, tab2 - tab1 - 1)).empty();
    if (noMac && !ip.empty() && ip.find_first_of(kSeparators) == std::string_view::npos) {
      copyField(e.ipText, ip);
      std::string_view name = text.substr(tab2 + 1);
      const std::size_t from = name.find_first_not_of(kSeparators);
      name = from == std::string_view::npos ? std::string_view() : name.substr(from);
      copyField(e.hostName, name.substr(0, name.find_last_not_of(kSeparators) + 1));
      return true;
    }
  }
  std::string_view tokens[2];
  if (splitTokens(text.data(), text.size(), kSeparators, tokens, 2) < 2) return false;
  copyField(e.ipText, tokens[0]);
  copyField(e.macText, tokens[1]);
  // The name is the rest of the line: a name typed with blanks comes back whole.
  copyField(e.hostName, restAfter(text, tokens[1], kSeparators));
  return true;
}

// A zero, broadcast or multicast MAC names no host: such a sample is told once, here, and
// never restored. A file full of them gives a bounded number of lines.
void reportUnusableMacs(std::size_t first) {
  constexpr int kToldMax = 16;
  int told = 0, untold = 0;
  char text[kJournalTextMax + 1];
  for (std::size_t i = first; i < SampleList.size(); ++i) {
    const AddressEntry& e = SampleList[i];
    std::uint8_t mac[6];
    if (!readMacText(fieldView(e.macText), mac) || isUnicastMac(mac)) continue;
    if (told == kToldMax) {
      ++untold;
      continue;
    }
    ++told;
    std::snprintf(text, sizeof text,
                  "Недопустимый MAC-адрес в образце: %.20s %.20s (%s). Образец не будет "
                  "восстанавливаться.",
                  e.ipText, e.macText, macFaultText(macTextFault(fieldView(e.macText))));
    reportEvent(text, ProgramError);
  }
  if (untold == 0) return;
  std::snprintf(text, sizeof text, "Ещё образцов с недопустимым MAC-адресом: %d.", untold);
  reportEvent(text, ProgramError);
}

// Appends the file's samples to list; false when it is there but could not be read whole.
bool readSamplesFile(AddressList& list, DataFileOpen& opened) {
  LineReader reader;
  opened = openDataFile(kSamplesFile, reader.file);
  if (opened != DataFileOpen::Opened) return opened == DataFileOpen::Missing;
  char line[kSampleLineMax + 2];
  std::size_t length;
  try {
    while (readLine(reader, line, kSampleLineMax, length) == LineResult::Line) {
      AddressEntry e = makeEntry();
      if (readSampleLine(lineText(line, length), e)) list.push_back(e);
    }
  } catch (const std::bad_alloc&) {
    reader.failed = true;  // the samples read so far stay; the file too
  }
  std::fclose(reader.file);
  return !reader.failed;
}

void noteSamplesOnDisk(const AddressList& list, std::size_t first) {
  samplesOnDisk.clear();
  for (std::size_t i = first; i < list.size(); ++i) samplesOnDisk.insert(sampleKey(list[i]));
}

// Takes in the samples another process wrote since this one last read or wrote the file,
// unless the list holds their address already. Removals there are not followed: a sample is
// never lost by a merge.
void mergeSamplesOnDisk() {
  AddressList disk;
  DataFileOpen opened;
  if (!readSamplesFile(disk, opened) || opened != DataFileOpen::Opened) return;
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
  const std::size_t first = SampleList.size();
  DataFileOpen opened;
  const bool whole = readSamplesFile(SampleList, opened);
  if (opened == DataFileOpen::Opened) noteSamplesChanged();
  if (!whole) keepUnreadSamplesFile();
  noteSamplesOnDisk(SampleList, first);
  if (opened == DataFileOpen::Opened) reportUnusableMacs(first);
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
  for (const AddressEntry& e : SampleList) {
    writeText(w, fieldView(e.ipText));
    writeText(w, "\t");
    writeText(w, fieldView(e.macText));
    writeText(w, "\t");
    writeText(w, fieldView(e.hostName));
    writeText(w, "\r\n");
  }
  if (commitRewrite(w)) noteSamplesOnDisk(SampleList, 0);
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

#include "arp/samples.h"

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "arp/sample_notes.h"
#include "base/address_input.h"
#include "base/sample_lines.h"
#include "base/text_field.h"
#include "report/journal.h"

int SelectedRow = -1;
std::uint64_t samplesChanged = 0;

namespace {

// Two texts of one address are one sample, however the file or the user wrote them.
bool sameIpText(std::string_view a, std::string_view b) {
  std::uint32_t x, y;
  if (readIpv4Text(a, x) && readIpv4Text(b, y)) return x == y;
  return a == b;
}

// A plain address in its dotted-decimal form, so that matching (which compares text), the
// duplicate test and learning agree on it; a pattern as written.
AddressEntry sampleOf(const SampleText& s) {
  AddressEntry e = makeEntry();
  copyField(e.ipText, s.ip);
  copyField(e.macText, s.mac);
  copyField(e.hostName, s.name);
  return e;
}

class SampleListFile final : public SampleListAccess {
 public:
  std::size_t size() const override { return SampleList.size(); }
  SampleText at(std::size_t i) const override {
    const AddressEntry& e = SampleList[i];
    return {std::string(fieldView(e.ipText)), std::string(fieldView(e.macText)),
            std::string(fieldView(e.hostName))};
  }
  const char* lineFault(const SampleLineFields& f) const override {
    return sampleLineFault(f.ip, f.mac, f.macPresent);
  }
  SampleText made(const SampleLineFields& f) const override {
    char canonical[20];
    const bool plain = canonicalIpv4Text(f.ip, canonical);
    const AddressEntry e = sampleOf({std::string(plain ? fieldView(canonical) : f.ip),
                                     std::string(f.mac), std::string(f.name)});
    return {std::string(fieldView(e.ipText)), std::string(fieldView(e.macText)),
            std::string(fieldView(e.hostName))};
  }
  bool holdsIp(std::string_view ip) const override {
    for (const AddressEntry& s : SampleList)
      if (sameIpText(fieldView(s.ipText), ip)) return true;
    return false;
  }
  void append(const SampleText& sample, std::vector<std::string>* notes) override {
    SampleList.push_back(sampleOf(sample));
    if (!notes) return noteSamplesChanged();
    if (const char* why = sampleMacMisfit(SampleList.back()))
      notes->push_back(macMisfitNote(SampleList.back(), why));
  }
};

SampleListFile sampleListFile;
SampleFile samplesFile(kSamplesFile);

// The file was there but could not be read whole: a save would replace the samples that
// were not read with the shorter list.
void tellUnreadSamplesFile() {
  reportEvent("Ошибка чтения файла samples.dat. Файл не будет перезаписан.", ProgramError);
}

}  // namespace

void loadSamples() {
  std::vector<std::string> notes;
  const SampleFileRead read = readSampleFile(samplesFile, sampleListFile, notes);
  if (read == SampleFileRead::Unreadable) tellUnreadSamplesFile();
  if (read != SampleFileRead::Read && read != SampleFileRead::ReadInPart) return;
  noteSamplesChanged();
  if (read == SampleFileRead::ReadInPart) tellUnreadSamplesFile();
  tellSampleNotes(notes);
}

void saveSamples() { writeSampleFile(samplesFile, sampleListFile); }

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
  sampleRemoved(samplesFile, static_cast<std::size_t>(index));
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

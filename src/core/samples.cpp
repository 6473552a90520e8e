#include "core/samples.h"

#include <cstdio>
#include <new>
#include <utility>

#include "core/data_file.h"
#include "core/text_field.h"

int SelectedRow = -1;

namespace {

constexpr std::size_t kSampleLineMax = 103;
constexpr const char* kSamplesTemp = "samples.dat.tmp";

}  // namespace

void loadSamples() {
  LineReader reader;
  reader.file = std::fopen(kSamplesFile, "rb");
  if (!reader.file) return;
  char line[kSampleLineMax + 2];
  std::size_t length;
  try {
    while (readLine(reader, line, kSampleLineMax, length) == LineResult::Line) {
      std::string_view tokens[3];
      const int n = splitTokens(line, length, " \t\r\n", tokens, 3);
      if (n < 2) continue;
      AddressEntry e = makeEntry();
      copyField(e.ipText, tokens[0]);
      copyField(e.macText, tokens[1]);
      if (n > 2) copyField(e.hostName, tokens[2]);
      SampleList.push_back(e);
    }
  } catch (const std::bad_alloc&) {
    // The samples read so far stay.
  }
  std::fclose(reader.file);
}

void saveSamples() {
  FileRewrite w;
  if (!beginRewrite(w, kSamplesFile, kSamplesTemp)) return;
  for (const AddressEntry& e : SampleList) {
    writeText(w, fieldView(e.ipText));
    writeText(w, "\t");
    writeText(w, fieldView(e.macText));
    writeText(w, "\t");
    writeText(w, fieldView(e.hostName));
    writeText(w, "\r\n");
  }
  commitRewrite(w);
}

int addSample(const AddressEntry& entry) {
  const std::string_view ip = fieldView(entry.ipText);
  for (const AddressEntry& s : SampleList)
    if (fieldView(s.ipText) == ip) return -1;
  try {
    SampleList.push_back(entry);
  } catch (const std::bad_alloc&) {
    return kSampleNoMemory;  // not a duplicate: the caller must not say it is
  }
  return static_cast<int>(SampleList.size()) - 1;
}

void removeSample(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= SampleList.size()) return;
  SampleList.erase(SampleList.begin() + index);
}

void moveSampleUp() {
  if (SelectedRow <= 0 || static_cast<std::size_t>(SelectedRow) >= SampleList.size()) return;
  std::swap(SampleList[SelectedRow], SampleList[SelectedRow - 1]);
  --SelectedRow;
}

void moveSampleDown() {
  if (SelectedRow < 0 || static_cast<std::size_t>(SelectedRow) + 1 >= SampleList.size()) return;
  std::swap(SampleList[SelectedRow], SampleList[SelectedRow + 1]);
  ++SelectedRow;
}

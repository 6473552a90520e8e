#include "arp/samples.h"

#include <cstdio>
#include <new>
#include <utility>

#include "base/data_file.h"
#include "base/text_field.h"
#include "report/journal.h"

int SelectedRow = -1;

namespace {

// Of a longer line only this much is looked at; its fields are cut to their sizes anyway.
constexpr std::size_t kSampleLineMax = 1023;
constexpr std::string_view kSeparators = " \t\r\n";

// The file was there but could not be read whole: a save would replace the samples that
// were not read with the shorter list.
bool samplesFileKept = false;

void keepUnreadSamplesFile() {
  samplesFileKept = true;
  reportEvent("Ошибка чтения файла samples.dat. Файл не будет перезаписан.", ProgramError);
}

}  // namespace

void loadSamples() {
  samplesFileKept = false;
  LineReader reader;
  switch (openDataFile(kSamplesFile, reader.file)) {
    case DataFileOpen::Missing:
      return;
    case DataFileOpen::Unreadable:
      keepUnreadSamplesFile();
      return;
    case DataFileOpen::Opened:
      break;
  }
  char line[kSampleLineMax + 2];
  std::size_t length;
  try {
    while (readLine(reader, line, kSampleLineMax, length) == LineResult::Line) {
      std::string_view tokens[2];
      if (splitTokens(line, length, kSeparators, tokens, 2) < 2) continue;
      AddressEntry e = makeEntry();
      copyField(e.ipText, tokens[0]);
      copyField(e.macText, tokens[1]);
      // The name is the rest of the line: a name typed with blanks comes back whole.
      copyField(e.hostName, restAfter(lineText(line, length), tokens[1], kSeparators));
      SampleList.push_back(e);
    }
  } catch (const std::bad_alloc&) {
    reader.failed = true;  // the samples read so far stay; the file too
  }
  std::fclose(reader.file);
  if (reader.failed) keepUnreadSamplesFile();
}

void saveSamples() {
  if (samplesFileKept) return;
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

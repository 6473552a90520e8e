#pragma once
// The lines of a sample file (samples.dat, samples6.dat): "IP MAC NAME", read and written
// the same way whatever the address family. Lines that hold no sample are kept as written,
// in their place; a save takes in what another process added since; a file that could not
// be read whole is never rewritten.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The first two fields of a line and the rest (the name). A line whose first two TABs hold
// nothing between them is a sample without a MAC (the blank reading would take the name's
// first word for one); every other line is read by runs of blanks and TABs.
struct SampleLineFields {
  std::string_view ip, mac, name;
  bool macPresent = false;
};
bool splitSampleLine(std::string_view text, SampleLineFields& f);

// A sample as its list stores it: the address in its canonical form, each text cut to its field.
struct SampleText {
  std::string ip, mac, name;
};

// What reading and writing a file ask of the list it holds.
class SampleListAccess {
 public:
  virtual std::size_t size() const = 0;
  virtual SampleText at(std::size_t index) const = 0;
  // Why the line's fields hold no sample; null for a sample.
  virtual const char* lineFault(const SampleLineFields& f) const = 0;
  virtual SampleText made(const SampleLineFields& f) const = 0;
  virtual bool holdsIp(std::string_view ip) const = 0;  // the same address, however written
  // Appends (may throw std::bad_alloc). notes: the load's notes; null when a save takes in
  // what another process wrote.
  virtual void append(const SampleText& sample, std::vector<std::string>* notes) = 0;

 protected:
  ~SampleListAccess() = default;
};

// A line kept as it was read, and the number of samples before it.
struct KeptSampleLine {
  std::size_t before;
  std::string text;
};

struct SampleFile {
  explicit SampleFile(const char* filePath) : path(filePath) {}
  const char* path;
  bool keptWhole = false;  // there but not read whole: never rewritten this run
  std::vector<KeptSampleLine> keptLines;
  std::unordered_set<std::string> onDisk;  // the samples as this process last read or wrote them
};

enum class SampleFileRead { Missing, Read, Unreadable, ReadInPart };
// Appends the file's samples; notes gets each kept line's note (unreadLineNote) and what
// append adds. Unreadable and ReadInPart set keptWhole.
SampleFileRead readSampleFile(SampleFile& file, SampleListAccess& list,
                              std::vector<std::string>& notes);
// Takes in what another process added, then rewrites the file with the kept lines in their
// places. Nothing when keptWhole. True when the file was written.
bool writeSampleFile(SampleFile& file, SampleListAccess& list);
// The sample at index is gone: the kept lines after it move up.
void sampleRemoved(SampleFile& file, std::size_t index);

// The note of a line kept as written (number from 1): the line as a reader sees it, cut.
std::string unreadLineNote(const char* fileName, std::size_t lineNumber, std::string_view text,
                           const char* why);

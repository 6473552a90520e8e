#include "ipv6/samples6.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text_field.h"
#include "fake/fake_platform.h"
#include "fake/ui_recorder.h"
#include "scratch_dir.h"
#include "settings/settings.h"

namespace {

struct FileCase {
  const char* written;  // samples6.dat as found
  std::vector<std::string> loaded;
  std::size_t notes;      // journal lines
  const char* rewritten;  // after one more sample is added and saved
};

const FileCase kFiles[] = {
    {"FE80:0:0::0001\t00-11-22-33-44-55\tgw one\r\n2001:DB8::*  *\n",
     {"fe80::1|00-11-22-33-44-55|gw one", "2001:db8::*|*|"},
     0,
     "fe80::1\t00-11-22-33-44-55\tgw one\r\n2001:db8::*\t*\t\r\nfe80::9\t\tnew\r\n"},
    {"192.168.0.1 00-11-22-33-44-55\r\nfe80::2\t\tno mac\r\nff02::1 33-33-00-00-00-01\r\nfe80::1%2 "
     "00-11-22-33-44-55\r\n",
     {"fe80::2||no mac"},
     3,
     "192.168.0.1 00-11-22-33-44-55\r\nfe80::2\t\tno mac\r\nff02::1 33-33-00-00-00-01\r\nfe80::1%2 "
     "00-11-22-33-44-55\r\nfe80::9\t\tnew\r\n"},
    {"", {}, 0, "fe80::9\t\tnew\r\n"},
};

}  // namespace

TEST(Samples6, FileReadCanonicalKeptLinesInPlaceAndRoundTrip) {
  for (const FileCase& c : kFiles) {
    SCOPED_TRACE(c.written);
    ScratchDir dir;
    resetFake();
    installUiRecorder();
    settings = Settings{};
    Sample6List.clear();
    writeFile("samples6.dat", c.written);
    loadSamples6();
    std::vector<std::string> loaded;
    for (const Address6Entry& e : Sample6List)
      loaded.push_back(std::string(e.ipText) + "|" + e.macText + "|" + e.hostName);
    EXPECT_EQ(loaded, c.loaded);
    EXPECT_EQ(ui.windowLines.size(), c.notes);
    saveSamples6();  // nothing changed: the file stays as written
    EXPECT_EQ(readFile("samples6.dat"), c.written);
    Address6Entry e = makeEntry6();
    copyField(e.ipText, "FE80::9"), copyField(e.hostName, "new");
    EXPECT_EQ(addSample6(e), static_cast<int>(c.loaded.size()));
    EXPECT_EQ(addSample6(e), -1);
    saveSamples6();
    EXPECT_EQ(readFile("samples6.dat"), c.rewritten);
    EXPECT_EQ(findSample6("fe80::9"), static_cast<int>(c.loaded.size()));
    Sample6List.clear();
    loadSamples6();
    EXPECT_EQ(Sample6List.size(), c.loaded.size() + 1);
  }
}

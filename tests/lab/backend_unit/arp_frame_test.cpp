// ARP frames against golden bytes, and replies cut at every length.
#include "platform/linux/arp_frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "netlink_builder.h"

namespace {

const std::uint8_t kOurMac[6] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
const std::uint32_t kOurIp = ip(10, 0, 0, 1);

// 10.0.0.1 (02:00:00:00:00:01) asks who has 10.0.0.2.
const std::uint8_t kRequest[42] = {
    0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01,  // Ethernet
    0x08, 0x06,                                                              // ARP
    0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x01,           // Ethernet/IPv4, request
    0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 10,   0,    0,    1,  // sender
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 10,   0,    0,    2,  // target
};

// 10.0.0.2 (aa:bb:cc:dd:ee:ff) answers; the Ethernet source differs on purpose.
const std::uint8_t kReply[42] = {
    0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x99, 0x99, 0x99, 0x99, 0x99,  //
    0x08, 0x06,                                                              //
    0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x02,                          // reply
    0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff, 10,   0,    0,    2,                 //
    0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 10,   0,    0,    1,                 //
};

TEST(ArpFrame, RequestIsTheGoldenFramePadded) {
  std::uint8_t out[64];
  std::memset(out, 0xee, sizeof out);
  ASSERT_EQ(buildArpRequest(kOurMac, ip(10, 0, 0, 1), ip(10, 0, 0, 2), out, sizeof out), 60u);
  EXPECT_EQ(0, std::memcmp(out, kRequest, sizeof kRequest));
  for (std::size_t i = 42; i < 60; ++i) EXPECT_EQ(out[i], 0) << i;
  EXPECT_EQ(out[60], 0xee);  // nothing past the frame
  for (std::size_t cap : {0u, 14u, 41u, 59u})
    EXPECT_EQ(buildArpRequest(kOurMac, ip(10, 0, 0, 1), ip(10, 0, 0, 2), out, cap), 0u) << cap;
}

TEST(ArpFrame, ReplyGivesTheArpSenderAddress) {
  std::uint8_t mac[6] = {};
  ASSERT_TRUE(parseArpReply(kReply, sizeof kReply, ip(10, 0, 0, 2), kOurMac, kOurIp, mac));
  const std::uint8_t expected[6] = {0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  EXPECT_EQ(0, std::memcmp(mac, expected, 6));
  std::vector<std::uint8_t> padded(kReply, kReply + 42);
  padded.resize(60, 0);
  EXPECT_TRUE(parseArpReply(padded.data(), padded.size(), ip(10, 0, 0, 2), kOurMac, kOurIp, mac));

  // The sweep reads any reply and looks its sender up.
  ArpReply any{};
  ASSERT_TRUE(readArpReply(padded.data(), padded.size(), any));
  EXPECT_EQ(any.senderIp, ip(10, 0, 0, 2));
  EXPECT_EQ(0, std::memcmp(any.senderMac, expected, 6));
  EXPECT_EQ(any.targetIp, kOurIp);
  EXPECT_EQ(0, std::memcmp(any.targetMac, kOurMac, 6));
  EXPECT_FALSE(readArpReply(kRequest, sizeof kRequest, any));
  EXPECT_FALSE(readArpReply(kReply, 41, any));
}

TEST(ArpFrame, RefusesOthersAndShortFrames) {
  std::uint8_t mac[6] = {1, 1, 1, 1, 1, 1};
  const auto parse = [&](const std::uint8_t* frame, std::size_t length, std::uint32_t sender) {
    return parseArpReply(frame, length, sender, kOurMac, kOurIp, mac);
  };
  EXPECT_FALSE(parse(kReply, sizeof kReply, ip(10, 0, 0, 3)));      // another host
  EXPECT_FALSE(parse(kRequest, sizeof kRequest, ip(10, 0, 0, 1)));  // a request
  for (std::size_t cut = 0; cut < 42; ++cut)
    EXPECT_FALSE(parse(kReply, cut, ip(10, 0, 0, 2))) << cut;
  struct Change {
    std::size_t at;
    std::uint8_t value;
  };
  for (Change c :
       {Change{12, 0x81}, Change{15, 6}, Change{16, 0x86}, Change{18, 8}, Change{19, 16}}) {
    std::uint8_t bad[42];
    std::memcpy(bad, kReply, 42);
    bad[c.at] = c.value;
    EXPECT_FALSE(parse(bad, 42, ip(10, 0, 0, 2))) << c.at;
  }
  const std::uint8_t untouched[6] = {1, 1, 1, 1, 1, 1};
  EXPECT_EQ(0, std::memcmp(mac, untouched, 6));
}

// The wire watch reads every operation, and a VLAN tag the kernel left in the frame.
TEST(ArpFrame, FramesGiveTheirFieldsAndTheirTag) {
  platform::HeardArp heard{};
  ASSERT_TRUE(readArpFrame(kRequest, sizeof kRequest, heard));
  EXPECT_EQ(heard.operation * 1000 + heard.targetIp % 256, 1002);
  for (std::uint16_t tci : {0x0005, 0xe000, 0x2fff}) {
    std::vector<std::uint8_t> tagged(kReply, kReply + 42);
    tagged.insert(tagged.begin() + 12, {0x81, 0x00, std::uint8_t(tci >> 8), std::uint8_t(tci)});
    for (std::size_t cut = 0; cut < tagged.size(); ++cut)
      EXPECT_FALSE(readArpFrame(tagged.data(), cut, heard)) << cut;
    ASSERT_TRUE(readArpFrame(tagged.data(), tagged.size(), heard));
    EXPECT_EQ(heard.tagged * 10000 + heard.vlanId, 10000 + (tci & 0x0fff));
    EXPECT_EQ(heard.senderIp + heard.etherSource[1], 0x0a000002u + 0x99);
    ArpReply reply{};
    EXPECT_EQ(readArpReply(tagged.data(), tagged.size(), reply), (tci & 0x0fff) == 0) << tci;
  }
}

// What a hostile host sends instead of an answer: each change to the golden reply makes it
// no answer to our request.
TEST(ArpFrame, OnlyAUnicastAnswerToUsCounts) {
  struct Change {
    const char* what;
    std::size_t at;
    std::vector<std::uint8_t> bytes;
  } changes[] = {
      {"broadcast sender", 22, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff}},
      {"zero sender", 22, {0, 0, 0, 0, 0, 0}},
      {"multicast sender", 22, {0x01, 0x00, 0x5e, 0x00, 0x00, 0x01}},
      {"broadcast target", 32, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff}},
      {"zero target", 32, {0, 0, 0, 0, 0, 0}},
      {"another host's MAC", 32, {0x02, 0x00, 0x00, 0x00, 0x00, 0x09}},
      {"gratuitous: target is the sender", 38, {10, 0, 0, 2}},
      {"another target address", 38, {10, 0, 0, 9}},
  };
  for (const Change& c : changes) {
    std::uint8_t frame[42];
    std::memcpy(frame, kReply, 42);
    std::memcpy(frame + c.at, c.bytes.data(), c.bytes.size());
    ArpReply reply{};
    ASSERT_TRUE(readArpReply(frame, 42, reply)) << c.what;  // well-formed, only not ours
    EXPECT_FALSE(answersUs(reply, kOurMac, kOurIp)) << c.what;
    std::uint8_t mac[6] = {};
    EXPECT_FALSE(parseArpReply(frame, 42, ip(10, 0, 0, 2), kOurMac, kOurIp, mac)) << c.what;
  }
}

}  // namespace

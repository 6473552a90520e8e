#pragma once
// Shared set-up of the mail tests: a thread-safe journal recorder and quick time-outs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/mail_thread.h"

// Journal texts (stamps and CR LF removed) as the mail thread reported them.
std::vector<std::string> journalTexts();
// Waits (bounded) until n texts have been reported.
bool waitForJournal(std::size_t n, int limitMs = 10000);

MailParameters mailTo(unsigned port, const char* to = "to@y", const char* login = "",
                      const char* password = "", const char* server = "127.0.0.1");

class MailTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

#pragma once
// What the console program checks before it starts: the data directory and the privilege
// that the neighbour-table writes need.
#include <string>

struct DirectoryCheck {
  bool usable = false;    // exists, is a directory, can be entered and read
  bool writable = false;  // files can be created in it
  std::string problem;    // why it is unusable, for the error line
};

DirectoryCheck checkDataDirectory(const std::string& dir);

// CAP_NET_ADMIN in the effective set, read from the CapEff line of a status text such as
// /proc/self/status. False when the line is missing or unreadable.
bool capEffHasNetAdmin(const std::string& statusText);
bool processHasNetAdmin();
// CAP_NET_RAW, which ARP probes need, the same way.
bool processHasNetRaw();
// 0 when the process may open the packet socket that ARP requests leave by, else the errno
// (EPERM without CAP_NET_RAW, EAFNOSUPPORT where packet sockets are barred).
int packetSocketError();

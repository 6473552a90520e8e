#pragma once
// The process's own memory figures from /proc/self/status. getrusage's ru_maxrss is not one:
// after fork it starts from the parent's high-water mark.
#include <string_view>

// The value in kB of a "Key:   123 kB" line of a status text; -1 when the key is missing or
// its value is no number.
long statusFieldKb(std::string_view statusText, std::string_view key);
// VmRSS and VmHWM of this process in kB, or -1.
long residentKb();
long peakResidentKb();

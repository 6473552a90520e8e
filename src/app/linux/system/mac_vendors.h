#pragma once
// The MAC vendor table (base/vendor_table.h) for the commands that show vendors.

// Reads the registry into MacVendors and gives the memory the reading used back to the
// system. Call before any thread that reads the table starts.
void loadMacVendors();
// The monitor shows vendors only in JSON objects and syslog structured data; without either
// it spares the table (about 1.4 MB and 40 ms at start).
bool monitorShowsVendors(bool json);

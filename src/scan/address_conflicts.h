#pragma once
// Addresses that answered a scan with two MACs. Main thread.

// Journals each conflict the probes heard since the last call as address spoofing: the
// second MAC against the first, which the scan kept. Two hosts answering for one address is
// what an ARP spoofer next to the real host looks like, and the line reaches mail and pop-up
// as the other spoofing lines do.
void reportAddressConflicts();

#pragma once
// Addresses that answered a scan with two MACs. Main thread.

// Takes the conflicts the probes heard since the last call. A scan that compares with the
// samples (ScanCheckMac) journals each as Spoofing, naming both MACs, the one the scan kept
// first: two hosts answering for one address is what an ARP spoofer next to the real host
// looks like. A scan that does not compare reports no event, this one included.
void reportAddressConflicts();

#pragma once
// The scan page's pieces that the shell and the page's own files share. Main thread.
#include "ui/win32/shell.h"

// Ticks 1002 and 1003 from ScanGetName and ScanCheckMac. The page is made before the
// settings are read, so the shell calls this again after loading them.
void showScanOptions();

// The result list's context menu (3010, 3011, 3012), over ScanListView.
void addScanRowsToSamples();
void addScanRowsToCache();
void copyScanList(HWND owner);

// Holds the result list's painting; the release is posted to the page, so it waits until no
// worker's message is pending and a flood of results costs one paint.
void holdScanListRedraw(bool hold);

// On the page's first showing: the first adapter's hosts in the empty range fields.
void offerScanRange();

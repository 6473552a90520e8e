// The editor dialogs that the address, route and settings parts bring (templates 135, 136,
// 137, 142). Until they land, their menu items stay in place and open nothing.
#include "ui/win32/shell.h"

void openSampleDialog(int /*initialValue*/) {}
void openArpEntryDialog() {}
void openRouteDialog(int /*initialValue*/) {}
void openSettingsDialog() {}

// The address dialogs (templates 135, 136). Until they land, their menu items stay in place
// and open nothing.
#include "ui/win32/shell.h"

void openSampleDialog(int /*initialValue*/) {}
void openArpEntryDialog() {}

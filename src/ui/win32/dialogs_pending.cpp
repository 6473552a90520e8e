// The editor dialogs that the route and settings parts bring (templates 137, 142). Until
// they land, their menu items stay in place and open nothing.
#include "ui/win32/shell.h"

void openRouteDialog(int /*initialValue*/) {}
void openSettingsDialog() {}

// Command 3017, "Удалить маршрут": the question, then the deletion of the row asked about.
#include <string>

#include "base/address.h"
#include "base/ui_hooks.h"
#include "report/journal.h"
#include "route/route_table.h"

void deleteChosenRoute(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= RouteRows.size()) return;
  // The question's own message loop can run a route refresh that rebuilds RouteRows; Yes
  // must delete the route the user saw, not whatever took its index.
  const RouteRow chosen = RouteRows[static_cast<std::size_t>(row)];
  if (!uiAskYesNo("Удаление маршрута может нарушить работу сети.    \nДействительно хотите "
                  "удалить маршрут?",
                  "Внимание!"))
    return;
  if (deleteRouteRow(chosen)) return;
  char dest[20], mask[20], gateway[20];
  formatIpv4(chosen.dest, dest);
  formatIpv4(chosen.mask, mask);
  formatIpv4(chosen.nextHop, gateway);
  reportEvent(
      (std::string("Ошибка удаления маршрута: ") + dest + " mask " + mask + " " + gateway).c_str(),
      ProgramError);
  uiMessageBox("Ошибка удаления маршрута.", MessageIcon::Error);
}

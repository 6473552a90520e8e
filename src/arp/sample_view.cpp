#include "arp/sample_view.h"

#include <algorithm>

#include "arp/check_cycle.h"
#include "arp/list_views.h"
#include "arp/samples.h"
#include "base/address.h"
#include "base/ui_hooks.h"

void showSamples() {
  showSampleRows();
  refreshCacheNames();
}

void sortSamples(int column) {
  using Ordering = bool (*)(const AddressEntry&, const AddressEntry&);
  static const Ordering orderings[] = {lessByIp, lessByMac, lessByName};
  if (column < 0 || column >= 3) return;
  std::sort(SampleList.begin(), SampleList.end(), orderings[column]);
  noteSamplesChanged();
  showSamples();
  uiMarkSortedColumn(ListId::Samples, column);
}

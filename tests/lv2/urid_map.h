// A host's URID map for the LV2 tests: each URI its number, in the order first asked.
#pragma once
#include <lv2/urid/urid.h>

#include <cstddef>
#include <string>
#include <vector>

struct UridMap {
  std::vector<std::string> uris;
  LV2_URID_Map map{this, [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                     auto& list = static_cast<UridMap*>(h)->uris;
                     for (std::size_t i = 0; i < list.size(); ++i)
                       if (list[i] == uri) return static_cast<LV2_URID>(i + 1);
                     list.emplace_back(uri);
                     return static_cast<LV2_URID>(list.size());
                   }};
  LV2_Feature feature{LV2_URID__map, &map};
  const LV2_Feature* features[2] = {&feature, nullptr};
  LV2_URID id(const char* uri) { return map.map(this, uri); }
};

#pragma once
// A caller's name list (NameNode chain) over fixed names; null names stay null.
#include "stockwin/stockwin.h"

#include <vector>

namespace swtest {

struct List {
  std::vector<NameNode> nodes;
  NameNode* head = nullptr;
  explicit List(std::vector<const char*> names) : nodes(names.size()) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      nodes[i].name = names[i];
      nodes[i].next = i + 1 < names.size() ? &nodes[i + 1] : nullptr;
    }
    head = nodes.empty() ? nullptr : &nodes[0];
  }
};

} // namespace swtest

#pragma once
// Records what the model told its view, as "Name:Property" in order.
#include <string>
#include <vector>

#include "app/ui/component.h"

namespace zeph::ui::testing {

class RecordingObserver : public ComponentObserver {
 public:
  void Changed(Component& component, Property property) override {
    changes.push_back({&component, property});
  }
  int Count(const Component& component, Property property) const {
    int n = 0;
    for (const auto& change : changes) n += (change.component == &component && change.property == property);
    return n;
  }
  struct Change {
    Component* component;
    Property property;
  };
  std::vector<Change> changes;
};

}  // namespace zeph::ui::testing

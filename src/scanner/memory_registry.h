#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scanner/registry.h"

namespace plugscope {

// A registry held in memory: loaded from a fixture or built by a platform
// layer. Registry order is pre-order depth first: an entry, then its
// children in the order they were added, then its next sibling; roots in
// the order they were added.
class MemoryRegistry final : public RegistryAccess {
 public:
  // Adds an entry under `parent` (a root when none) after its existing
  // children. `classes` lists the entry's class and every class it derives
  // from; matching is by membership.
  EntryRef add(std::optional<EntryRef> parent, std::vector<std::string> classes,
               PropertyMap properties = {});

  // Changes an existing entry; used by builders that learn properties late.
  PropertyMap& properties(EntryRef entry);
  const std::vector<std::string>& classes(EntryRef entry) const;
  std::size_t size() const { return nodes_.size(); }
  const std::vector<EntryRef>& roots() const { return roots_; }

  std::vector<EntryRef> matching(std::string_view className) const override;
  std::vector<EntryRef> children(EntryRef entry) const override;
  std::optional<EntryRef> parent(EntryRef entry) const override;
  PropertyMap readProperties(EntryRef entry) const override;
  std::optional<RegistryValue> readProperty(EntryRef entry, std::string_view key) const override;

 private:
  struct Node {
    std::vector<std::string> classes;
    PropertyMap properties;
    std::optional<EntryRef> parent;
    std::vector<EntryRef> children;
  };
  const Node* node(EntryRef entry) const;

  std::vector<Node> nodes_;
  std::vector<EntryRef> roots_;
};

}  // namespace plugscope

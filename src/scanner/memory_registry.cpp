#include "scanner/memory_registry.h"

#include <algorithm>

namespace plugscope {

EntryRef MemoryRegistry::add(std::optional<EntryRef> parent, std::vector<std::string> classes,
                             PropertyMap properties) {
  const EntryRef ref{nodes_.size()};
  if (parent && !node(*parent)) parent.reset();
  nodes_.push_back(Node{std::move(classes), std::move(properties), parent, {}});
  if (parent) {
    nodes_[parent->id].children.push_back(ref);
  } else {
    roots_.push_back(ref);
  }
  return ref;
}

PropertyMap& MemoryRegistry::properties(EntryRef entry) { return nodes_.at(entry.id).properties; }

const std::vector<std::string>& MemoryRegistry::classes(EntryRef entry) const {
  return nodes_.at(entry.id).classes;
}

const MemoryRegistry::Node* MemoryRegistry::node(EntryRef entry) const {
  return entry.id < nodes_.size() ? &nodes_[entry.id] : nullptr;
}

std::vector<EntryRef> MemoryRegistry::matching(std::string_view className) const {
  std::vector<EntryRef> found;
  // Pre-order walk with an explicit stack, so deep trees cannot overflow.
  std::vector<EntryRef> stack(roots_.rbegin(), roots_.rend());
  while (!stack.empty()) {
    const EntryRef ref = stack.back();
    stack.pop_back();
    const Node& n = nodes_[ref.id];
    if (std::find(n.classes.begin(), n.classes.end(), className) != n.classes.end()) {
      found.push_back(ref);
    }
    stack.insert(stack.end(), n.children.rbegin(), n.children.rend());
  }
  return found;
}

std::vector<EntryRef> MemoryRegistry::children(EntryRef entry) const {
  const Node* n = node(entry);
  return n ? n->children : std::vector<EntryRef>{};
}

std::optional<EntryRef> MemoryRegistry::parent(EntryRef entry) const {
  const Node* n = node(entry);
  return n ? n->parent : std::nullopt;
}

PropertyMap MemoryRegistry::readProperties(EntryRef entry) const {
  const Node* n = node(entry);
  return n ? n->properties : PropertyMap{};
}

std::optional<RegistryValue> MemoryRegistry::readProperty(EntryRef entry,
                                                          std::string_view key) const {
  const Node* n = node(entry);
  if (!n) return std::nullopt;
  if (const RegistryValue* v = n->properties.find(key)) return *v;
  return std::nullopt;
}

}  // namespace plugscope

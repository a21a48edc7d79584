// The restore table: the associations an install changed, with what they were before.
#pragma once
#include <array>
#include <string>

namespace orvane {

// The extensions whose association an install changed, with their earlier class
// ("TXT,txtfile"); 20 slots filled from the front. Lives for the whole program run.
struct RestoreTable {
  std::array<std::string, 20> slots;
  // Adds a value unless a slot already contains it (letter case ignored); false when dropped.
  bool Merge(const std::string& value);
  // True when the first field of some slot contains the extension (letter case ignored).
  bool Covers(const std::string& extension) const;
  // Stores a value in the first empty slot; false when all are taken.
  bool Add(const std::string& value);
};

}  // namespace orvane

// Pieces of gwpo, the admin tool for stand-in post offices, that its files share.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "groupwise/object.h"

namespace gwpo {

// What a writing command has made, so that a failure can take all of it back.
class Made {
 public:
  explicit Made(gw::ObjectRef account) : account_(std::move(account)) {}
  void add(gw::ObjectRef itemOrEntry) { made_.push_back(std::move(itemOrEntry)); }
  std::size_t size() const { return made_.size(); }

  // Runs `write`, then commits. When anything fails, deletes what was made, commits
  // that, and raises the failure: the post office is left as it was.
  void allOrNothing(const std::function<void(Made&)>& write);

 private:
  gw::ObjectRef account_;
  std::vector<gw::ObjectRef> made_;
};

struct DemoCounts {
  int items = 0;
  int entries = 0;
};

// Fills the mailbox of the account with realistic sample content.
DemoCounts fillDemo(const gw::ObjectRef& account, unsigned seed, Made& made);

}  // namespace gwpo

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace plugscope {

// Runs an external program to its end and hands back what it wrote to
// standard output. Called on the agent's one thread; blocks until done.
class ProcessRunner {
 public:
  virtual ~ProcessRunner() = default;
  // Starts `path` (absolute, no search of PATH) with `arguments` after the
  // program name, standard error discarded, and gives all of its standard
  // output once it has exited, whatever its exit status. None when it cannot
  // be started, writes more than `outputLimit` bytes, or outlives the
  // runner's time bound (it is then killed).
  virtual std::optional<std::string> run(const std::string& path,
                                         const std::vector<std::string>& arguments,
                                         std::size_t outputLimit) = 0;
};

}  // namespace plugscope

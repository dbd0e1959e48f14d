#pragma once

#include <chrono>

#include "agent/process_runner.h"

namespace plugscope {

// ProcessRunner with posix_spawn: no PATH search, standard output on a
// close-on-exec pipe read to its end before the wait, standard error to
// /dev/null, standard input, environment and working directory inherited.
// The child leads its own process group, which is killed when the run
// outlives `timeLimit` or overfills the output limit.
class SpawnProcessRunner final : public ProcessRunner {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeLimit{60'000};

  explicit SpawnProcessRunner(std::chrono::milliseconds timeLimit = kDefaultTimeLimit)
      : timeLimit_(timeLimit) {}

  std::optional<std::string> run(const std::string& path,
                                 const std::vector<std::string>& arguments,
                                 std::size_t outputLimit) override;

 private:
  std::chrono::milliseconds timeLimit_;
};

}  // namespace plugscope

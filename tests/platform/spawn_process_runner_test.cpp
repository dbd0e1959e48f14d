#include "platform/linux/agent/spawn_process_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include "map_environment.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::size_t kLimit = 16u << 20;

class SpawnProcessRunnerTest : public ::testing::Test {
 protected:
  // An executable shell script in the test's directory.
  std::string script(const std::string& name, const std::string& body) {
    const fs::path path = directory_ / name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
    return path.string();
  }
  fs::path directory_ = test::freshTestDirectory("runner");
};

TEST_F(SpawnProcessRunnerTest, GivesStandardOutputWhateverTheExitStatus) {
  struct Case {
    const char* name;
    std::string body;
    std::string output;
  };
  const Case cases[] = {
      {"valid JSON", R"(printf '{"SPThunderboltDataType":[]}')", R"({"SPThunderboltDataType":[]})"},
      {"only standard error", "echo 'no such data type' >&2", ""},
      {"non-zero exit", "echo partial; exit 3", "partial\n"},
      {"killed by a signal", "echo before; kill -TERM $$", "before\n"},
      {"arguments exactly as given", R"(printf '[%s]' "$@")", "[SPThunderboltDataType][-json]"},
  };
  SpawnProcessRunner runner(10s);
  for (const Case& c : cases) {
    const auto output = runner.run(script("tool", c.body), {"SPThunderboltDataType", "-json"}, kLimit);
    EXPECT_EQ(output, c.output) << c.name;
  }
}

TEST_F(SpawnProcessRunnerTest, OutputLargerThanThePipeDoesNotDeadlock) {
  SpawnProcessRunner runner(30s);
  // Written before the exit, so a runner that waited first would hang.
  const auto output = runner.run(script("big", "head -c 3000000 /dev/zero | tr '\\0' x; exit 1"), {},
                                 kLimit);
  ASSERT_TRUE(output);
  EXPECT_EQ(output->size(), 3000000u);
  EXPECT_EQ(output->find_first_not_of('x'), std::string::npos);
}

TEST_F(SpawnProcessRunnerTest, OutputOverTheLimitFails) {
  SpawnProcessRunner runner(30s);
  EXPECT_EQ(runner.run(script("big", "head -c 70000 /dev/zero"), {}, 65536), std::nullopt);
  EXPECT_TRUE(runner.run(script("exact", "head -c 65536 /dev/zero"), {}, 65536));
}

TEST_F(SpawnProcessRunnerTest, ProgramsThatCannotStartGiveNone) {
  SpawnProcessRunner runner(10s);
  const std::string notExecutable = (directory_ / "plain.txt").string();
  std::ofstream(notExecutable) << "echo hi\n";
  EXPECT_EQ(runner.run((directory_ / "missing").string(), {}, kLimit), std::nullopt);
  EXPECT_EQ(runner.run(notExecutable, {}, kLimit), std::nullopt);
  EXPECT_EQ(runner.run("sh", {"-c", "echo no PATH search"}, kLimit), std::nullopt);
  EXPECT_EQ(runner.run("", {}, kLimit), std::nullopt);
}

bool processGone(pid_t pid) {
  // A zombie no longer runs; it waits for whoever adopted it to reap it.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, name, state;
  if (!(stat >> pidText >> name >> state)) return true;
  return state == "Z";
}

TEST_F(SpawnProcessRunnerTest, HangingToolIsKilledWithItsGroupAfterTheBound) {
  struct Case {
    const char* name;
    std::string body;
  };
  const std::string pidFile = (directory_ / "helper.pid").string();
  const Case cases[] = {
      {"keeps the pipe open", "sleep 30 & echo $! > " + pidFile + "; echo started; wait"},
      {"closes its output, then hangs", "sleep 30 & echo $! > " + pidFile + "; exec >&-; wait"},
  };
  SpawnProcessRunner runner(1s);
  for (const Case& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runner.run(script("hang", c.body), {}, kLimit), std::nullopt) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << c.name;
    pid_t helper = 0;
    std::ifstream(pidFile) >> helper;
    ASSERT_GT(helper, 0) << c.name;
    for (int i = 0; i < 100 && !processGone(helper); ++i) std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(processGone(helper)) << c.name << ": the tool's own children die with it";
  }
}

}  // namespace
}  // namespace plugscope

// Helpers shared by the test binaries.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/linux/system/read_file.h"
#include "scanner/registry_fixture.h"
#include "shared/snapshot_json.h"
#include "temporary_directory.h"
#include "test_support.h"

namespace plugscope::test {

PortStatus port(std::int64_t number, bool connected, std::optional<std::string> device) {
  PortStatus p;
  p.id = "Port-USB-C@" + std::to_string(number);
  p.number = number;
  p.connected = connected;
  p.device = std::move(device);
  return p;
}

Snapshot dockLaptop() {
  auto snapshot = decodeSnapshotOrNone(readFixture("laptop-dock-display-charger.expected.json"));
  EXPECT_TRUE(snapshot) << "the dock laptop's snapshot does not read";
  return snapshot.value_or(Snapshot{});
}

std::filesystem::path freshDirectory(const std::string& tag) {
  const std::filesystem::path directory = makeTemporaryDirectory(tag, ::testing::TempDir());
  if (directory.empty()) ADD_FAILURE() << "mkdtemp " << ::testing::TempDir() << tag;
  return directory;
}

std::string readFixture(const std::string& name) {
  std::string error;
  auto text = readWholeFile(fixturePath(name), error);
  EXPECT_TRUE(text) << name << ": " << error;
  return text.value_or("");
}

MemoryRegistry registryFromJson(const std::string& json) {
  std::string error;
  auto registry = loadRegistryFixture(json, error);
  EXPECT_TRUE(registry) << error;
  return registry ? std::move(*registry) : MemoryRegistry{};
}

void expectUsageError(const ProgramResult& result, const std::string& mention,
                      const std::string& context) {
  EXPECT_EQ(result.exitStatus, 2) << context;
  EXPECT_EQ(result.out, "") << context;
  ASSERT_FALSE(result.err.empty()) << context;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << context << ": " << result.err;
  EXPECT_NE(result.err.find(mention), std::string::npos) << context << ": " << result.err;
}

ProgramResult runProgram(const std::string& path, const std::vector<std::string>& args) {
  ProgramResult result;
  FILE* out = std::tmpfile();
  FILE* err = std::tmpfile();
  std::vector<char*> argv{const_cast<char*>(path.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fileno(out), 1);
  posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  } else {
    ADD_FAILURE() << "cannot start " << path;
  }
  for (auto [file, text] : {std::pair{out, &result.out}, std::pair{err, &result.err}}) {
    std::rewind(file);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text->append(buffer, n);
    std::fclose(file);
  }
  return result;
}

}  // namespace plugscope::test

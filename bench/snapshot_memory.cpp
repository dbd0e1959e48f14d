// Peak memory of reading one snapshot file, for hostile files of 1, 4 and
// 16 MiB beside a normal snapshot. Every file is read through the real
// store in a fresh process (this program runs itself again), which reports
// its peak resident size (VmHWM) before and after the load; the difference
// is what reading that file cost.
//
//   snapshot_memory             the table, files in a temporary directory
//   snapshot_memory --read DIR  one load of DIR/snapshot.json (the child)
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/linux/system/posix_file_system.h"
#include "shared/snapshot_store.h"

namespace plugscope {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMebibyte = 1u << 20;

// VmHWM of this process in KiB.
long peakKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  }
  return -1;
}

class FixedLocator final : public ContainerLocator {
 public:
  explicit FixedLocator(std::string directory) : directory_(std::move(directory)) {}
  std::optional<std::string> containerDirectory() const override { return directory_; }

 private:
  std::string directory_;
};

int readOnce(const std::string& directory) {
  const long idle = peakKib();
  PosixFileSystem files;
  FixedLocator locator(directory);
  const auto snapshot = SnapshotStore(locator, files).loadSnapshot();
  const long peak = peakKib();
  std::printf("%ld %ld %s\n", idle, peak,
              snapshot ? (std::to_string(snapshot->ports.size()) + " ports").c_str() : "none");
  return 0;
}

const char kPort[] =
    R"({"id":"Port-USB-C@1","number":1,"connected":true,"protocols":["USB 3","USB 2"],)"
    R"("speed":"10 Gbps","device":"iPhone","smartCable":false,"activeCable":false,)"
    R"("opticalCable":false,"usbPowerWatts":2.5,"powerIn":false})";

// A snapshot of `bytes` bytes at most: `head`, then copies of `item`
// separated by commas as long as they fit, then `tail`.
std::string filled(std::size_t bytes, const std::string& head, const std::string& item,
                   const std::string& tail) {
  std::string text = head;
  while (text.size() + item.size() + 1 + tail.size() <= bytes) {
    if (text.size() > head.size()) text += ',';
    text += item;
  }
  return text + tail;
}

struct Kind {
  const char* name;
  std::function<std::string(std::size_t)> make;
};

const std::vector<Kind>& hostileKinds() {
  static const std::vector<Kind> kinds = {
      // An unknown member holding one array of small numbers.
      {"wide array", [](std::size_t n) {
         return filled(n, R"({"ports":[],"taken":0,"extra":[)", "0", "]}");
       }},
      // An unknown member holding one string.
      {"long string", [](std::size_t n) {
         const std::string head = R"({"ports":[],"taken":0,"extra":")";
         return head + std::string(n - head.size() - 2, 'x') + "\"}";
       }},
      // An unknown member holding many small objects.
      {"small objects", [](std::size_t n) {
         return filled(n, R"({"ports":[],"taken":0,"extra":[)", R"({"a":[]})", "]}");
       }},
      // Valid ports, as many as fit.
      {"many ports", [](std::size_t n) {
         return filled(n, R"({"ports":[)", kPort, R"(],"taken":0})");
       }},
      // The most that still reads: ports whose protocol names are as long
      // and as many as a reader keeps, as many ports as fit (at most 64).
      {"largest readable", [](std::size_t n) {
         const std::string name = "\"" + std::string(4096, 'p') + "\"";
         std::string port = kPort;
         const std::string protocols = R"("protocols":[)";
         const std::size_t at = port.find(protocols) + protocols.size();
         std::string names = name;
         for (int i = 1; i < 64; ++i) names += "," + name;
         port.replace(at, port.find(']', at) - at, names);
         std::string text = R"({"ports":[)" + port;
         for (int i = 1; i < 64 && text.size() + port.size() + 20 < n; ++i) text += "," + port;
         return text + R"(],"taken":0})";
       }},
  };
  return kinds;
}

struct Outcome {
  long idleKib = -1;
  long peakKib = -1;
  std::string result = "failed";
};

Outcome readInChild(const std::string& self, const std::string& directory) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[1], STDOUT_FILENO);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ::execl(self.c_str(), self.c_str(), "--read", directory.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  std::string output;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
    output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  Outcome outcome;
  char result[64] = {};
  if (std::sscanf(output.c_str(), "%ld %ld %63[^\n]", &outcome.idleKib, &outcome.peakKib,
                  result) == 3) {
    outcome.result = result;
  }
  return outcome;
}

void writeFile(const fs::path& directory, const std::string& text) {
  fs::create_directories(directory);
  std::ofstream(directory / kSnapshotFileName, std::ios::binary) << text;
}

int table(const std::string& self) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/plugscope-snapshot-memory.XXXXXX";
  if (!::mkdtemp(pattern.data())) return 1;
  const fs::path root = pattern;

  std::printf("%-18s %9s %-12s %9s %9s %12s\n", "file", "bytes", "read as", "idle KiB",
              "peak KiB", "above idle");
  const auto row = [&](const std::string& name, const std::string& text) {
    const fs::path directory = root / "file";
    writeFile(directory, text);
    const Outcome o = readInChild(self, directory.string());
    std::printf("%-18s %9zu %-12s %9ld %9ld %8.1f MiB\n", name.c_str(), text.size(),
                o.result.c_str(), o.idleKib, o.peakKib,
                static_cast<double>(o.peakKib - o.idleKib) / 1024.0);
    std::fflush(stdout);
  };
  row("normal", bench::fixtureText("laptop-dock-display-charger.expected.json"));
  for (const Kind& kind : hostileKinds()) {
    for (std::size_t mebibytes : {1u, 4u, 16u}) {
      row(std::string(kind.name) + " " + std::to_string(mebibytes) + "M",
          kind.make(mebibytes * kMebibyte));
    }
  }
  fs::remove_all(root);
  return 0;
}

}  // namespace
}  // namespace plugscope

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--read") return plugscope::readOnce(argv[2]);
  return plugscope::table("/proc/self/exe");
}

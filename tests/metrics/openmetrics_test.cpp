#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "metrics/label_value.h"
#include "metrics/openmetrics.h"
#include "test_support.h"

namespace plugscope {
namespace {

PortStatus port(std::int64_t number, std::string id) {
  PortStatus p;
  p.number = number;
  p.id = std::move(id);
  return p;
}

std::string encoded(const Snapshot& snapshot, const std::vector<PortHint>& hints = {}) {
  auto text = encodeOpenMetrics(snapshot, hints);
  if (!text) {
    ADD_FAILURE() << "nothing written";
    return {};
  }
  return *text;
}

// The sample lines of one family, in order.
std::vector<std::string> samples(const std::string& text, const std::string& family) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(family + "{") || line.starts_with(family + " ")) lines.push_back(line);
  }
  return lines;
}

TEST(OpenMetrics, DockLaptopInEveryFamily) {
  Snapshot s;
  PortStatus charging = port(1, "Port-USB-C@1");
  charging.connected = true;
  charging.powerIn = true;
  charging.smartCable = true;
  PortStatus dock = port(3, "Port-USB-C@3");
  dock.connected = true;
  dock.protocols = {"Thunderbolt", "USB 3"};
  dock.speed = "40 Gb/s";
  dock.device = "Harbor TB4 Dock";
  dock.smartCable = dock.activeCable = dock.opticalCable = true;
  dock.usbPowerWatts = 1.12;
  s.ports = {charging, dock};
  s.chargerWatts = 96;
  s.taken.seconds = 60.25;
  EXPECT_EQ(encoded(s, {{3, "cable-limits-usb4"}}),
            "# HELP plugscope_port_info A USB-C port; device names what is attached, when that "
            "is known.\n"
            "# TYPE plugscope_port_info gauge\n"
            "plugscope_port_info{port=\"1\",id=\"Port-USB-C@1\"} 1\n"
            "plugscope_port_info{port=\"3\",id=\"Port-USB-C@3\",device=\"Harbor TB4 Dock\"} 1\n"
            "# HELP plugscope_port_connected 1 while something is plugged into the port.\n"
            "# TYPE plugscope_port_connected gauge\n"
            "plugscope_port_connected{port=\"1\",id=\"Port-USB-C@1\"} 1\n"
            "plugscope_port_connected{port=\"3\",id=\"Port-USB-C@3\"} 1\n"
            "# HELP plugscope_port_power_in 1 while the port charges this machine.\n"
            "# TYPE plugscope_port_power_in gauge\n"
            "plugscope_port_power_in{port=\"1\",id=\"Port-USB-C@1\"} 1\n"
            "plugscope_port_power_in{port=\"3\",id=\"Port-USB-C@3\"} 0\n"
            "# HELP plugscope_port_link_speed_bytes_per_second Speed of the port's fastest "
            "active link, in bytes per second.\n"
            "# TYPE plugscope_port_link_speed_bytes_per_second gauge\n"
            "plugscope_port_link_speed_bytes_per_second{port=\"3\",id=\"Port-USB-C@3\"} "
            "5000000000\n"
            "# HELP plugscope_port_protocol 1 for each protocol the port's link carries.\n"
            "# TYPE plugscope_port_protocol gauge\n"
            "plugscope_port_protocol{port=\"3\",id=\"Port-USB-C@3\",protocol=\"Thunderbolt\"} 1\n"
            "plugscope_port_protocol{port=\"3\",id=\"Port-USB-C@3\",protocol=\"USB 3\"} 1\n"
            "# HELP plugscope_port_cable 1 when the port's cable is of this kind (smart, active, "
            "optical), else 0.\n"
            "# TYPE plugscope_port_cable gauge\n"
            "plugscope_port_cable{port=\"1\",id=\"Port-USB-C@1\",kind=\"smart\"} 1\n"
            "plugscope_port_cable{port=\"1\",id=\"Port-USB-C@1\",kind=\"active\"} 0\n"
            "plugscope_port_cable{port=\"1\",id=\"Port-USB-C@1\",kind=\"optical\"} 0\n"
            "plugscope_port_cable{port=\"3\",id=\"Port-USB-C@3\",kind=\"smart\"} 1\n"
            "plugscope_port_cable{port=\"3\",id=\"Port-USB-C@3\",kind=\"active\"} 1\n"
            "plugscope_port_cable{port=\"3\",id=\"Port-USB-C@3\",kind=\"optical\"} 1\n"
            "# HELP plugscope_port_bus_power_watts USB bus power given to the attached device, "
            "in watts.\n"
            "# TYPE plugscope_port_bus_power_watts gauge\n"
            "plugscope_port_bus_power_watts{port=\"3\",id=\"Port-USB-C@3\"} 1.12\n"
            "# HELP plugscope_port_hint 1 for each hint about what limits the port.\n"
            "# TYPE plugscope_port_hint gauge\n"
            "plugscope_port_hint{port=\"3\",id=\"Port-USB-C@3\",hint=\"cable-limits-usb4\"} 1\n"
            "# HELP plugscope_charger_watts The connected charger's rating in watts.\n"
            "# TYPE plugscope_charger_watts gauge\n"
            "plugscope_charger_watts 96\n"
            "# HELP plugscope_snapshot_taken_timestamp_seconds When the scan started, in seconds "
            "since 1970-01-01 00:00:00 UTC.\n"
            "# TYPE plugscope_snapshot_taken_timestamp_seconds gauge\n"
            "plugscope_snapshot_taken_timestamp_seconds 978307260.25\n"
            "# EOF\n");
}

TEST(OpenMetrics, FamiliesWithoutSeriesAreLeftOut) {
  // No ports, no charger: only the time, and the end.
  EXPECT_EQ(encoded(Snapshot{}),
            "# HELP plugscope_snapshot_taken_timestamp_seconds When the scan started, in seconds "
            "since 1970-01-01 00:00:00 UTC.\n"
            "# TYPE plugscope_snapshot_taken_timestamp_seconds gauge\n"
            "plugscope_snapshot_taken_timestamp_seconds 978307200\n"
            "# EOF\n");
}

TEST(OpenMetrics, TakenCountsFromTheUnixEpochInShortestDigits) {
  struct Row {
    const char* name;
    double taken;
    const char* written;
  };
  const Row rows[] = {
      {"reference instant", 0, "978307200"},
      {"a tenth after", 0.1, "978307200.1"},
      {"a real scan", 787017600.123456, "1765324800.123456"},
      {"the Unix epoch", -978307200, "0"},
      {"before the epoch", -978307201.5, "-1.5"},
      {"far future, the offset below its precision", 1e25, "1e+25"},
  };
  for (const Row& row : rows) {
    Snapshot s;
    s.taken.seconds = row.taken;
    const auto lines = samples(encoded(s), "plugscope_snapshot_taken_timestamp_seconds");
    ASSERT_EQ(lines.size(), 1u) << row.name;
    EXPECT_EQ(lines[0], std::string("plugscope_snapshot_taken_timestamp_seconds ") + row.written)
        << row.name;
    // Shortest, and still the same double.
    EXPECT_EQ(std::stod(row.written), row.taken + 978307200.0) << row.name;
  }
}

TEST(OpenMetrics, NumbersJsonCannotCarryWriteNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Snapshot badPower;
  badPower.ports = {port(1, "a")};
  badPower.ports[0].usbPowerWatts = nan;
  EXPECT_FALSE(encodeOpenMetrics(badPower, {}));
  Snapshot badTime;
  badTime.taken.seconds = inf;
  EXPECT_FALSE(encodeOpenMetrics(badTime, {}));
  // A port left out as a repeat is not written, whatever it holds.
  Snapshot repeated;
  repeated.ports = {port(1, "a"), port(1, "a")};
  repeated.ports[1].usbPowerWatts = nan;
  EXPECT_TRUE(encodeOpenMetrics(repeated, {}));
}

TEST(OpenMetrics, LinkSpeedInBytesPerSecond) {
  struct Row {
    const char* speed;
    std::optional<double> bytes;
  };
  const Row rows[] = {
      {"10 Gbps", 1.25e9},
      {"40 Gb/s", 5e9},
      {"8.1 Gbps", 1.0125e9},  // exactly, not 8.1 × 1e9 / 8 rounded twice
      {"480 Mb/s", 6e7},
      {"480 Mbps", 6e7},
      {"12 Mb/s", 1.5e6},
      {"1.5 Mb/s", 187500},
      {"Up to 40 Gb/s x1", 5e9},  // the Thunderbolt report's wording
      {"Up to 120 Gb/s", 1.5e10},
      {"None", std::nullopt},
      {"10", std::nullopt},
      {"Gb/s 10", std::nullopt},
      {"10 GB/s", std::nullopt},  // bytes are not a link speed's unit
      {"10Gb/s", std::nullopt},
      {"0 Gb/s", std::nullopt},
      {"-5 Gb/s", std::nullopt},
      {"1e3 Mb/s", std::nullopt},
      {"inf Gb/s", std::nullopt},
      {"1.5.5 Gb/s", std::nullopt},
      {"5. Gb/s", std::nullopt},
      {"", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(linkSpeedBytesPerSecond(row.speed), row.bytes) << row.speed;
  }
  // Too many digits for a double: unknown, never infinite.
  EXPECT_EQ(linkSpeedBytesPerSecond(std::string(400, '9') + " Gb/s"), std::nullopt);

  Snapshot s;
  s.ports = {port(1, "a"), port(2, "b")};
  s.ports[0].speed = "8.1 Gbps";
  s.ports[1].speed = "fast";
  EXPECT_EQ(samples(encoded(s), "plugscope_port_link_speed_bytes_per_second"),
            std::vector<std::string>{
                "plugscope_port_link_speed_bytes_per_second{port=\"1\",id=\"a\"} 1012500000"});
}

TEST(OpenMetrics, HostileLabelValues) {
  struct Row {
    const char* name;
    std::string text;
    std::string written;  // as appended, quotes included
  };
  const std::string replacement = "\xef\xbf\xbd";
  const std::string tenKiloA(10000, 'A');
  std::string euros;
  for (int i = 0; i < 3400; ++i) euros += "\xe2\x82\xac";
  const Row rows[] = {
      {"plain", "Harbor TB4 Dock", "\"Harbor TB4 Dock\""},
      {"quotes", "say \"hi\"", "\"say \\\"hi\\\"\""},
      {"backslashes", "a\\b\\\\", "\"a\\\\b\\\\\\\\\""},
      {"line feed", "one\ntwo", "\"one\\ntwo\""},
      {"forged end and series",
       "x\"} 1\n# EOF\nplugscope_port_connected{port=\"9\"} 1\n",
       "\"x\\\"} 1\\n# EOF\\nplugscope_port_connected{port=\\\"9\\\"} 1\\n\""},
      {"carriage return, NUL, escape, delete", std::string("a\r\0b\x1b\x7f", 6),
       "\"a" + replacement + replacement + "b" + replacement + replacement + "\""},
      {"lone continuation byte", "a\x80z", "\"a" + replacement + "z\""},
      {"truncated sequence at the end", "ab\xe2\x82", "\"ab" + replacement + replacement + "\""},
      {"overlong slash", "\xc0\xaf", "\"" + replacement + replacement + "\""},
      {"surrogate", "\xed\xa0\x80", "\"" + replacement + replacement + replacement + "\""},
      {"10 kB cut to 256 bytes", tenKiloA, "\"" + tenKiloA.substr(0, 256) + "\""},
      {"three-byte characters cut before one that does not fit", euros,
       "\"" + euros.substr(0, 255) + "\""},
      {"a four-byte character at the edge", std::string(254, 'x') + "\xf0\x9f\x98\x80",
       "\"" + std::string(254, 'x') + "\""},
      {"escapes do not count against the cut", std::string(256, '"'),
       "\"" + [] {
         std::string s;
         for (int i = 0; i < 256; ++i) s += "\\\"";
         return s;
       }() + "\""},
  };
  for (const Row& row : rows) {
    std::string out;
    appendLabelValue(out, row.text);
    EXPECT_EQ(out, row.written) << row.name;
    EXPECT_LE(labelValue(row.text).size(), kMaxLabelValueBytes) << row.name;
  }

  // In a document: the port's lines stay one line each, whatever its names.
  Snapshot s;
  s.ports = {port(1, "line\nbreak \"x\"} 1\n# EOF\n")};
  s.ports[0].device = std::string("\xff", 1);
  s.ports[0].protocols = {"USB 3\n"};
  const std::string text = encoded(s, {{1, "hint\"\n"}});
  EXPECT_EQ(samples(text, "plugscope_port_info"),
            std::vector<std::string>{"plugscope_port_info{port=\"1\",id=\"line\\nbreak "
                                     "\\\"x\\\"} 1\\n# EOF\\n\",device=\"" +
                                     replacement + "\"} 1"});
  EXPECT_EQ(samples(text, "plugscope_port_protocol").size(), 1u);
  EXPECT_EQ(samples(text, "plugscope_port_hint").size(), 1u);
  EXPECT_EQ(text.find("# EOF\n"), text.size() - 6);
}

// Names a device could give, each as a port's id, device, protocol and hint:
// Prometheus' own parser (promtool, as the node exporter's collector reads)
// accepts the document, and finds no series beyond the ports'.
TEST(OpenMetrics, PromtoolAcceptsHostileNames) {
  const std::string names[] = {
      "say \"hi\" \\ \\\\",
      "x\"} 1\n# EOF\nplugscope_port_connected{port=\"9\",id=\"forged\"} 1\n",
      std::string("a\r\0b\x1b[31m\x7f", 10),
      "\xff\xfe \xc0\xaf \xed\xa0\x80 ab\xe2\x82",
      std::string(10000, '"'),
      std::string(254, 'x') + "\xf0\x9f\x98\x80\n",
  };
  Snapshot s;
  std::vector<PortHint> hints;
  for (const std::string& name : names) {
    PortStatus p = port(static_cast<std::int64_t>(s.ports.size()) + 1, name);
    p.device = name;
    p.protocols = {name};
    hints.push_back({p.number, name});
    s.ports.push_back(p);
  }
  const std::string text = encoded(s, hints);
  const std::string file = (test::freshDirectory("promtool") / "hostile.prom").string();
  std::ofstream(file, std::ios::binary) << text;
  const auto promtool = test::runProgram(
      "/bin/sh", {"-c", "exec promtool check metrics <\"$1\"", "promtool", file});
  EXPECT_EQ(promtool.exitStatus, 0) << promtool.out << promtool.err;
  EXPECT_EQ(promtool.out + promtool.err, "");
  // Per port: info, connected, power in, protocol, hint and three cable
  // kinds; then the time. One line each.
  std::size_t series = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) series += line.starts_with("plugscope_");
  EXPECT_EQ(series, 8 * std::size(names) + 1);
}

TEST(OpenMetrics, RepeatedSeriesAreWrittenOnceTheFirstWins) {
  struct Row {
    const char* name;
    std::vector<PortStatus> ports;
    std::vector<std::string> info;
  };
  PortStatus phone = port(2, "Port-USB-C@2");
  phone.device = "iPhone";
  PortStatus drive = port(2, "Port-USB-C@2");
  drive.device = "Drive";
  const std::string longId(300, 'p');
  const Row rows[] = {
      {"same number and id", {phone, drive},
       {"plugscope_port_info{port=\"2\",id=\"Port-USB-C@2\",device=\"iPhone\"} 1"}},
      {"same id, another number", {phone, port(3, "Port-USB-C@2")},
       {"plugscope_port_info{port=\"2\",id=\"Port-USB-C@2\",device=\"iPhone\"} 1",
        "plugscope_port_info{port=\"3\",id=\"Port-USB-C@2\"} 1"}},
      {"same number, another id", {phone, port(2, "Port-USB-C@3")},
       {"plugscope_port_info{port=\"2\",id=\"Port-USB-C@2\",device=\"iPhone\"} 1",
        "plugscope_port_info{port=\"2\",id=\"Port-USB-C@3\"} 1"}},
      {"ids that differ only past the cut", {port(1, longId + "a"), port(1, longId + "b")},
       {"plugscope_port_info{port=\"1\",id=\"" + longId.substr(0, 256) + "\"} 1"}},
      {"ids that differ only in replaced bytes", {port(1, "a\xff"), port(1, "a\xfe")},
       {"plugscope_port_info{port=\"1\",id=\"a\xef\xbf\xbd\"} 1"}},
  };
  for (const Row& row : rows) {
    Snapshot s;
    s.ports = row.ports;
    const std::string text = encoded(s);
    EXPECT_EQ(samples(text, "plugscope_port_info"), row.info) << row.name;
    // Every per-port family follows the same ports.
    EXPECT_EQ(samples(text, "plugscope_port_connected").size(), row.info.size()) << row.name;
    EXPECT_EQ(samples(text, "plugscope_port_cable").size(), 3 * row.info.size()) << row.name;
  }

  PortStatus twice = port(1, "a");
  twice.protocols = {"USB 3", "USB 2", "USB 3"};
  Snapshot s;
  s.ports = {twice};
  EXPECT_EQ(samples(encoded(s), "plugscope_port_protocol"),
            (std::vector<std::string>{
                "plugscope_port_protocol{port=\"1\",id=\"a\",protocol=\"USB 3\"} 1",
                "plugscope_port_protocol{port=\"1\",id=\"a\",protocol=\"USB 2\"} 1"}));
}

TEST(OpenMetrics, HintFamilyFromPortHintPairs) {
  struct Row {
    const char* name;
    std::vector<PortHint> hints;
    std::vector<std::string> series;
  };
  // Port 2 appears twice with different ids; the hints go to the first.
  const Row rows[] = {
      {"no hints", {}, {}},
      {"one", {{1, "charger-too-weak"}},
       {"plugscope_port_hint{port=\"1\",id=\"P1\",hint=\"charger-too-weak\"} 1"}},
      {"two on one port, in the given order",
       {{2, "cable-no-video"}, {2, "cable-limits-speed"}},
       {"plugscope_port_hint{port=\"2\",id=\"P2\",hint=\"cable-no-video\"} 1",
        "plugscope_port_hint{port=\"2\",id=\"P2\",hint=\"cable-limits-speed\"} 1"}},
      {"a repeated pair once", {{1, "charging-slowly"}, {2, "x"}, {1, "charging-slowly"}},
       {"plugscope_port_hint{port=\"1\",id=\"P1\",hint=\"charging-slowly\"} 1",
        "plugscope_port_hint{port=\"2\",id=\"P2\",hint=\"x\"} 1"}},
      {"one id on two ports", {{1, "load-exceeds-charger"}, {2, "load-exceeds-charger"}},
       {"plugscope_port_hint{port=\"1\",id=\"P1\",hint=\"load-exceeds-charger\"} 1",
        "plugscope_port_hint{port=\"2\",id=\"P2\",hint=\"load-exceeds-charger\"} 1"}},
      {"a number no port has", {{7, "port-lacks-mode"}}, {}},
      {"a hostile id", {{1, "a\"b\nc"}},
       {"plugscope_port_hint{port=\"1\",id=\"P1\",hint=\"a\\\"b\\nc\"} 1"}},
  };
  Snapshot s;
  s.ports = {port(1, "P1"), port(2, "P2"), port(2, "P2-other")};
  for (const Row& row : rows) {
    const std::string text = encoded(s, row.hints);
    EXPECT_EQ(samples(text, "plugscope_port_hint"), row.series) << row.name;
    EXPECT_EQ(text.find("# TYPE plugscope_port_hint gauge") != std::string::npos,
              !row.series.empty())
        << row.name;
  }
}

}  // namespace
}  // namespace plugscope

// The command line as users and scripts meet it: help, version, encode, exit
// statuses and messages.
#include "Options.h"
#include "ToolProcess.h"

#include <gtest/gtest.h>

namespace {

using tooltest::RunP03;

TEST(Cli, VersionAndHelpExitZero) {
  auto r = RunP03({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("p03 ") + P03_VERSION + "\n");
  for (const char* command : {"encode", "send", "serve", "monitor"}) {
    r = RunP03({command, "--help"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_NE(r.out.find(std::string("Usage: p03 ") + command), std::string::npos) << r.out;
  }
  r = RunP03({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* command : {"encode", "send", "serve", "monitor"})
    EXPECT_NE(r.out.find(command), std::string::npos);
}

struct UsageCase {
  std::vector<std::string> args;
  const char* named; // the message names this
};

TEST(Cli, UsageErrorsExitTwoWithAMessage) {
  const UsageCase cases[] = {
      {{}, "subcommand"},
      {{"frobnicate"}, "frobnicate"},
      {{"encode", "--bogus"}, "--bogus"},
      {{"send"}, "--port"},
      {{"monitor"}, "--port"},
      {{"monitor", "--port", "/dev/null", "--input", "x"}, "--input"},
      {{"encode", "--checksum", "crc"}, "--checksum"},
      {{"encode", "--checksum", "window", "--tare", "  "}, "--tare"},
      {{"encode", "--checksum", "standard", "--weight", ""}, "--weight"},
      {{"encode", "--precision", "7"}, "--precision"},
      {{"encode", "--increment", "3"}, "--increment"},
      {{"encode", "--net", "--gross"}, "--gross"},
      {{"serve", "--rate", "0"}, "--rate"},
      {{"serve", "--rate", "1000"}, "--rate"},
      {{"serve", "--format", "9E1"}, "--format"},
      {{"serve", "--baud", "abc"}, "--baud"},
      {{"serve", "--mode", "demand", "--rate", "5"}, "--rate"},
      {{"serve", "--mode", "demand", "--trigger", "ENQQ"}, "--trigger"},
      {{"serve", "--trigger", "ACK"}, "--trigger"},
      {{"serve", "--port", "/dev/null", "--link", "/tmp/x"}, "--link"},
  };
  for (const auto& c : cases) {
    std::string line;
    for (const auto& a : c.args)
      line += a + " ";
    const auto r = RunP03(c.args);
    EXPECT_EQ(r.status, 2) << line << "\n" << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << line << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << line;
  }
}

struct EncodeCase {
  std::vector<std::string> args;
  const char* hex;
};

TEST(Cli, EncodePrintsTheEncodersFrame) {
  const EncodeCase cases[] = {
      {{"-w", "12,34"}, "02 2C 31 60 30 30 31 32 33 34 30 30 30 30 30 30 0D"},
      {{"-w", "12,34", "-c", "standard"}, "02 2C 31 60 30 30 31 32 33 34 30 30 30 30 30 30 0D 6A"},
      {{"-w", "12,34", "-c", "window"}, "02 2C 31 60 30 30 31 32 33 34 30 30 30 30 30 30 0D A0"},
      {{"-w", "999999", "-t", "999999", "-p", "0.0001", "-i", "5", "--negative", "--overload", "--motion",
        "--auto-zero", "--print-key", "--expanded", "--parity-a", "--parity-b", "--parity-c", "-c", "window"},
       "02 BE FF F8 39 39 39 39 39 39 39 39 39 39 39 39 0D 44"},
      {{"-p", "10", "--gross", "-w", "1234567"}, "02 29 30 60 31 32 33 34 35 36 30 30 30 30 30 30 0D"},
      {{"-p", "x0,1", "-i", "2"}, "02 33 31 60 30 30 30 30 30 30 30 30 30 30 30 30 0D"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"encode"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = RunP03(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(c.hex) + "\n");
  }
}

TEST(Cli, EncodeRawWritesTheBytes) {
  const auto r = RunP03({"encode", "--raw", "-w", "12,34", "-c", "window"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("\x02\x2C\x31\x60") + "001234000000\r\xA0");
}

TEST(Cli, UnopenablePortsAndFilesExitOne) {
  const std::vector<std::vector<std::string>> cases = {
      {"send", "--port", "/nonexistent/ttyP03"},
      {"serve", "--port", "/nonexistent/ttyP03"},
      {"serve", "--mode", "demand", "--port", "/nonexistent/ttyP03"},
      {"monitor", "--port", "/nonexistent/ttyP03"},
      {"monitor", "--input", "/nonexistent/capture.bin"},
  };
  for (const auto& args : cases) {
    const auto r = RunP03(args);
    EXPECT_EQ(r.status, 1) << args[0] << " " << args.back();
    EXPECT_NE(r.err.find("/nonexistent/"), std::string::npos) << r.err;
  }
}

TEST(Cli, SevenDataBitsWarnAboutParityFlagsTheyCannotCarry) {
  auto r = RunP03({"send", "--port", "/nonexistent/ttyP03", "--format", "7E1", "--parity-b"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("warning: the frame has bytes above 0x7F"), std::string::npos) << r.err;
  r = RunP03({"send", "--port", "/nonexistent/ttyP03", "--format", "7E1"});
  EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

TEST(Cli, MonitorDecodesTheCapture) {
  const std::string capture = P03_FIXTURE_DIR "/toledo-p03-capture.bin";
  auto r = RunP03({"monitor", "--input", capture, "--strip-bit7"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("frame 9: 02 2C 71 60 30 30 30 33 36 37 30 30 30 36 30 30 0D 1E"), std::string::npos);
  EXPECT_NE(r.out.find("weight -0.89 (sign -, net), tare 6.00"), std::string::npos);
  EXPECT_NE(r.out.find("garbage (7 bytes): 30 30 30 30 30 0D 27"), std::string::npos);
  EXPECT_NE(r.out.find("cut frame (11 bytes): 02 2C 70 60"), std::string::npos);
  EXPECT_EQ(r.out.find("frame 10"), std::string::npos);
  EXPECT_NE(r.out.find("checksum 1E: standard holds, window fails"), std::string::npos);

  r = RunP03({"monitor", "--input", capture});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.find("frame 1:"), std::string::npos);
  EXPECT_NE(r.err.find("try --strip-bit7"), std::string::npos) << r.err;

  r = RunP03({"monitor", "--input", capture, "--strip-bit7", "--count", "3"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("frame 3:"), std::string::npos);
  EXPECT_EQ(r.out.find("frame 4:"), std::string::npos);

  r = RunP03({"monitor", "--input", capture, "--strip-bit7", "--count", "10"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("9 of 10"), std::string::npos) << r.err;
}

TEST(Options, FormatsTriggersAndPrecisions) {
  using namespace p03tool;
  for (const char* good : {"8E2", "7E1", "7E2", "7O1", "8N1", "8N2", "8O1", "5M1", "6s2", "7e1"})
    EXPECT_TRUE(ParseFormat(good, 4800)) << good;
  for (const char* bad : {"", "8E", "9E1", "4N1", "8X1", "8E3", "8E1x", "E81"})
    EXPECT_FALSE(ParseFormat(bad, 4800)) << bad;
  const auto s = *ParseFormat("7o1", 9600);
  EXPECT_EQ(s.DataBits, 7);
  EXPECT_EQ(s.Parity, 'O');
  EXPECT_EQ(s.StopBits, 1);
  EXPECT_EQ(s.BaudRate, 9600u);

  EXPECT_EQ(ParseTrigger("ENQ"), 0x05);
  EXPECT_EQ(ParseTrigger("enq"), 0x05);
  EXPECT_EQ(ParseTrigger("P"), 'P');
  EXPECT_EQ(ParseTrigger("0x11"), 0x11);
  EXPECT_EQ(ParseTrigger("any"), -1);
  EXPECT_FALSE(ParseTrigger("0x1"));
  EXPECT_FALSE(ParseTrigger("PP"));

  const std::pair<const char*, int> precisions[] = {{"0", 0},      {"10", 0},  {"1", 1},
                                                    {"2", 2},      {"0.1", 2}, {"0,01", 3},
                                                    {"x0.001", 4}, {"5", 5},   {"0.0001", 5}};
  for (const auto& [text, index] : precisions)
    EXPECT_EQ(ParsePrecision(text), index) << text;
  for (const char* bad : {"6", "0.00001", "", "-1", "100"})
    EXPECT_FALSE(ParsePrecision(bad)) << bad;
}

} // namespace

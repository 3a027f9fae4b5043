// quorvane-cli's barcode and dial commands: the letters of the bars, the
// bytes a modem gets, and the exit codes of bad input and bad usage.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "test_support.h"

namespace {

using qvtest::Stderr;

qvtest::RunResult Cli(const std::vector<std::string>& argv, Stderr err = Stderr::kDiscard,
                      const std::string& env = "") {
  return qvtest::Run(argv, err, env);
}


TEST(CliBarcode, BarsAsLettersAndTheExitCodes) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{"imb", "01234567094987654321", "01234"}, 0,
       "DTTAFADDTTFTDTFTFDTDDADADAFADFATDDFTAAAFDTTADFAAATDFDTDFADDDTDFFT\n"},
      // 12345 and check digit 5, each digit two full and three half bars,
      // between the frame bars.
      {{"postnet", "12345"}, 0, "FHHHFFHHFHFHHFFHHFHHFHFHFHHFHFHF\n"},
      {{"postnet", "12345-6789", "123 MAIN ST"}, 0, ""},  // length checked below
      {{"imb", "0123456709498765432"}, 1, ""},
      {{"imb", "01234567094987654321", "1234"}, 1, ""},
      {{"postnet", "K1A 0B1"}, 1, ""},
      {{"code39", "12345"}, 2, ""},
      {{"imb"}, 2, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = {QV_CLI, "barcode"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const qvtest::RunResult r = Cli(argv);
    SCOPED_TRACE(c.args.back());
    EXPECT_EQ(r.status, c.status);
    if (!c.out.empty()) {
      EXPECT_EQ(r.out, c.out);
    }
  }
  // 9 ZIP digits, 2 delivery point digits, a check digit: 62 bars.
  EXPECT_EQ(Cli({QV_CLI, "barcode", "postnet", "12345-6789", "123 MAIN ST"}).out.size(), 63u);
}

TEST(CliDial, DialsTheRecordsPhoneOnTheGivenDevice) {
  qvtest::ScratchDir dir;
  const std::string rows = dir.path() + "/rows.tsv", file = dir.path() + "/people.dbf";
  std::ofstream(rows) << "Archer\tAnn\t\t\t\t1 Elm St\tAlbany\tNY\t12207\t\t555-0100\n";
  const std::string home = "QUORVANE_HOME=" + qvtest::ShellQuote(dir.path()) + " ";
  ASSERT_EQ(Cli({QV_CLI, "make", file, rows}, Stderr::kDiscard, home).status, 0);

  termios raw{};
  cfmakeraw(&raw);
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, &raw, nullptr), 0);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  const qvtest::RunResult r =
      Cli({QV_CLI, "dial", file, "1", "--port", name, "--prefix", "9", "--pulse", "--no-wait"},
          Stderr::kDiscard, home);
  EXPECT_EQ(r.status, 0);
  std::string got;
  char buf[256];
  for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
  EXPECT_EQ(got, "ATDP9555-0100\r\nATH\r\n");
  ::close(master);
  ::close(slave);

  const qvtest::RunResult missing = Cli(
      {QV_CLI, "dial", file, "1", "--port", dir.path() + "/ttyS9", "--no-wait"}, Stderr::kMerge,
      home);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("Unable to open " + dir.path() + "/ttyS9"), std::string::npos);
  EXPECT_EQ(Cli({QV_CLI, "dial", file, "7", "--no-wait"}, Stderr::kDiscard, home).status, 1);
  EXPECT_EQ(Cli({QV_CLI, "dial", file}, Stderr::kDiscard, home).status, 2);
}

}  // namespace

// Intelligent Mail envelopes on page streams: 65 bars of the published
// heights and pitch where POSTNET goes (0.165 in above the delivery
// address), serial numbers taken piece by piece and saved between runs,
// and no bars (with a warning) for a piece that cannot have them.
#include <gtest/gtest.h>

#include <algorithm>

#include "envelopes/envelope_run.h"
#include "labels/imb.h"
#include "labels_test_util.h"
#include "render/page_stream.h"

namespace qv {
namespace {

using testing::ContactFixture;
using testing::LinesOf;
using testing::TestHost;

// The bar states of page `index`, read back from each bar's height and top.
QString Drawn(const Page& page) {
  const std::vector<LineOp> lines = LinesOf(page);
  if (lines.size() != size_t(kImbBarCount)) return QStringLiteral("%1 bars").arg(lines.size());
  double top = lines[0].y1;
  for (const LineOp& l : lines) top = std::min(top, l.y1);
  QString code;
  for (const LineOp& l : lines) {
    const double h = l.y2 - l.y1;
    code += h > 0.14 ? 'F' : h < 0.05 ? 'T' : std::abs(l.y1 - top) < 1e-6 ? 'A' : 'D';
  }
  return code;
}

TEST(EnvelopeImb, BarsAboveTheAddressWithSerialsSavedBetweenRuns) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"LNAME", "A"}, {"STREET", "123 MAIN ST"}, {"ZIP", "01234-5678"}},
                       {{"LNAME", "B"}, {"STREET", "9 Oak"}, {"ZIP", "K1A 0B1"}},
                       {{"LNAME", "C"}, {"STREET", "9 Oak"}, {"ZIP", "01234"}}}));
  IniFile ini(fx.file(QStringLiteral("QUORVA.INI")));
  ImbSettings settings;
  settings.mailerId = QStringLiteral("567094");
  settings.nextSerial = 987654321;
  ASSERT_TRUE(SaveImbSettings(ini, settings));

  TestHost host;
  PageStream pages;
  EnvelopeRunOptions options;
  options.print = false;
  options.decorate = false;
  options.paper = EnvelopePaper::Envelope;
  options.selection = RecordSelection::All;
  options.programDirectory = fx.dir();
  options.setup.barCode = true;
  options.setup.intelligentMail = true;
  EnvelopeRunHooks hooks;
  hooks.preview = testing::DecodeInto(&pages);
  EnvelopeRunResult result = DoPrintEnvelopes(fx.table, fx.apollo, options, host, hooks);
  ASSERT_EQ(result.outcome, EnvelopeRunOutcome::Completed);
  ASSERT_EQ(pages.pages.size(), 3u);
  QString error;
  EXPECT_EQ(Drawn(pages.pages[0]),
            ImbBars(QStringLiteral("00300567094987654321"), QStringLiteral("01234567823"), &error));
  EXPECT_EQ(Drawn(pages.pages[1]), QStringLiteral("0 bars"));  // a Canadian postal code
  EXPECT_EQ(Drawn(pages.pages[2]),
            ImbBars(QStringLiteral("00300567094987654322"), QStringLiteral("01234"), &error));
  ASSERT_EQ(result.barCodeWarnings.size(), 1);
  EXPECT_TRUE(result.barCodeWarnings[0].startsWith(QStringLiteral("Record 2: no bar code")));
  EXPECT_TRUE(result.statusText.contains(result.barCodeWarnings[0]));

  // Position and pitch: the first bar's left edge at the address's left,
  // the tops 0.165 in above the address, a bar every 0.0458 in.
  const std::vector<LineOp> bars = LinesOf(pages.pages[0]);
  const TEnvelopeSetup& s = options.setup;
  EXPECT_NEAR(bars.front().x1 - kImbBarWidth / 2, s.deliveryLeft, 1e-4);
  EXPECT_NEAR(bars.back().x1 - bars.front().x1, (kImbBarCount - 1) * kImbBarPitch, 1e-4);
  double top = 1e9;
  for (const LineOp& l : bars) top = std::min(top, l.y1);
  EXPECT_NEAR(top, s.deliveryTop - 0.165, 1e-4);
  EXPECT_EQ(LoadImbSettings(ini).nextSerial, 987654323);

  // The next run goes on from the saved serial.
  pages = PageStream();
  options.selection = RecordSelection::Current;
  fx.apollo.GoTop();
  result = DoPrintEnvelopes(fx.table, fx.apollo, options, host, hooks);
  ASSERT_EQ(pages.pages.size(), 1u);
  EXPECT_EQ(Drawn(pages.pages[0]),
            ImbBars(QStringLiteral("00300567094987654323"), QStringLiteral("01234567823"), &error));
  EXPECT_EQ(LoadImbSettings(ini).nextSerial, 987654324);

  // An address too near the right edge for 2.95 in of bars gets none.
  pages = PageStream();
  options.setup.deliveryLeft = 7.0f;
  fx.apollo.GoTop();
  result = DoPrintEnvelopes(fx.table, fx.apollo, options, host, hooks);
  EXPECT_EQ(Drawn(pages.pages.at(0)), QStringLiteral("0 bars"));
  ASSERT_EQ(result.barCodeWarnings.size(), 1);
  EXPECT_TRUE(result.barCodeWarnings[0].contains(QStringLiteral("right edge")));
  EXPECT_EQ(LoadImbSettings(ini).nextSerial, 987654324);
}

}  // namespace
}  // namespace qv

// Intelligent Mail envelopes on page streams: 65 bars of the published
// heights and pitch where POSTNET goes (0.165 in above the delivery
// address), serial numbers taken piece by piece and saved between runs,
// and no bars (with a warning) for a piece that cannot have them.
#include <gtest/gtest.h>

#include "envelopes/envelope_run.h"
#include "labels/imb.h"
#include "labels_test_util.h"
#include "render/page_stream.h"

namespace qv {
namespace {

using testing::ContactFixture;
using testing::ImbCodesOn;
using testing::LinesOf;
using testing::TestHost;

TEST(EnvelopeImb, BarsAboveTheAddressWithSerialsSavedBetweenRuns) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make(testing::kImbPieces));
  IniFile ini(fx.file(QStringLiteral("QUORVA.INI")));
  ASSERT_TRUE(testing::SaveImbMailer(ini));

  TestHost host;
  PageStream pages;
  EnvelopeRunOptions options;
  options.print = false;
  options.decorate = false;
  options.paper = EnvelopePaper::Envelope;
  options.selection = RecordSelection::All;
  options.programDirectory = fx.dir();
  options.setup.address.barCode = true;
  options.setup.intelligentMail = true;
  EnvelopeRunHooks hooks;
  hooks.preview = testing::DecodeInto(&pages);
  EnvelopeRunResult result = DoPrintEnvelopes(fx.table, fx.apollo, options, host, hooks);
  ASSERT_EQ(result.outcome, EnvelopeRunOutcome::Completed);
  ASSERT_EQ(pages.pages.size(), 3u);
  QString error;
  EXPECT_EQ(ImbCodesOn(pages.pages[0]),
            QStringList{ImbBars("00300567094987654321", "01234567823", &error)});
  EXPECT_TRUE(LinesOf(pages.pages[1]).empty());  // a Canadian postal code
  EXPECT_EQ(ImbCodesOn(pages.pages[2]), QStringList{ImbBars("00300567094987654322", "01234", &error)});
  ASSERT_EQ(result.barCodeWarnings.size(), 1);
  EXPECT_TRUE(result.barCodeWarnings[0].startsWith("Record 2: no bar code"));

  // Position and pitch: the first bar's left edge at the address's left,
  // the tops 0.165 in above the address, a bar every 0.0458 in.
  const std::vector<LineOp> bars = LinesOf(pages.pages[0]);
  const TEnvelopeSetup& s = options.setup;
  EXPECT_NEAR(bars.front().x1 - kImbBarWidth / 2, s.deliveryBlock.left, 1e-4);
  EXPECT_NEAR(bars.back().x1 - bars.front().x1, (kImbBarCount - 1) * kImbBarPitch, 1e-4);
  double top = 1e9;
  for (const LineOp& l : bars) top = std::min(top, l.y1);
  EXPECT_NEAR(top, s.deliveryBlock.top - 0.165, 1e-4);
  EXPECT_EQ(LoadImbSettings(ini).nextSerial, 987654323);

  // An address too near the right edge for 2.95 in of bars gets none.
  pages = PageStream();
  options.setup.deliveryBlock.left = 7.0f;
  options.selection = RecordSelection::Current;
  EXPECT_TRUE(fx.apollo.GoTop());
  result = DoPrintEnvelopes(fx.table, fx.apollo, options, host, hooks);
  EXPECT_TRUE(LinesOf(pages.pages.at(0)).empty());
  ASSERT_EQ(result.barCodeWarnings.size(), 1);
  EXPECT_TRUE(result.barCodeWarnings[0].contains("right edge"));
  EXPECT_EQ(LoadImbSettings(ini).nextSerial, 987654323);
}

}  // namespace
}  // namespace qv

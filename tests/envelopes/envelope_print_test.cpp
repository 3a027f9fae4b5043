// The envelope's place on the page: the whole-tenths page-fit rule, the
// feed-method offsets for every facing, orientation, position and turn on
// letter paper and on an envelope-sized page, the stored clockwise
// positions, and damaged setups made printable.
#include "envelopes/envelope_print.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(EnvelopePageFit, WholeTenthsOfAnInchDecide) {
  struct Case {
    double pageWidth, pageHeight;
    float envelopeWidth, envelopeHeight;
    bool fits;
  } cases[] = {
      {9.5, 4.19, 9.5f, 4.125f, true},   // 95 = 95, 41 = 41
      {9.5, 4.2, 9.5f, 4.125f, false},   // 42 against 41
      {9.5, 4.1, 9.5f, 4.1f, false},     // 4.1f is 4.0999999: 40 against 41
      {11.0, 8.5, 9.5f, 4.125f, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PageIsEnvelopeSized(c.pageWidth, c.pageHeight, c.envelopeWidth, c.envelopeHeight),
              c.fits)
        << c.pageWidth << " x " << c.pageHeight;
  }
}

// A Monarch envelope, 7.5 x 3.875 in. Letter portrait (8.5 x 11): across
// 1.0, half 0.5. Letter landscape (11 x 8.5): across 3.5, down 4.625,
// half down 2.3125.
TEST(EnvelopeFeedOffsets, EveryFeedMethodOnLetter) {
  struct Case {
    int facing, orientation, position;
    bool clockwise;
    float left, top;
  } cases[] = {
      // face up, portrait: the position moves the envelope across; a turn
      // changes nothing in portrait
      {0, 0, 0, false, 0.0f, 0.0f}, {0, 0, 1, false, 1.0f, 0.0f}, {0, 0, 2, true, 0.5f, 0.0f},
      // face down, portrait: left and right change places
      {1, 0, 0, false, 1.0f, 0.0f}, {1, 0, 1, true, 0.0f, 0.0f}, {1, 0, 2, false, 0.5f, 0.0f},
      // face up, landscape: the whole width difference unless turned
      // clockwise; the position moves it down
      {0, 1, 0, false, 3.5f, 0.0f}, {0, 1, 1, false, 3.5f, 4.625f}, {0, 1, 2, false, 3.5f, 2.3125f},
      {0, 1, 0, true, 0.0f, 0.0f}, {0, 1, 2, true, 0.0f, 2.3125f},
      // face down, landscape
      {1, 1, 0, false, 3.5f, 4.625f}, {1, 1, 1, false, 3.5f, 0.0f}, {1, 1, 2, true, 0.0f, 2.3125f},
      {1, 1, 0, true, 0.0f, 4.625f},
  };
  for (const Case& c : cases) {
    const double pw = c.orientation == 0 ? 8.5 : 11.0;
    const double ph = c.orientation == 0 ? 11.0 : 8.5;
    const EnvelopeOffsets o =
        FeedOffsets(c.facing, c.orientation, c.position, c.clockwise, pw, ph, 7.5f, 3.875f);
    const std::string what = std::to_string(c.facing) + std::to_string(c.orientation) +
                             std::to_string(c.position) + (c.clockwise ? " clockwise" : "");
    EXPECT_NEAR(o.left, c.left, 1e-6) << what;
    EXPECT_NEAR(o.top, c.top, 1e-6) << what;

    // On a page the size of the envelope nothing moves.
    const EnvelopeOffsets none = FeedOffsets(c.facing, c.orientation, c.position, c.clockwise,
                                             7.5, 3.88, 7.5f, 3.875f);
    EXPECT_EQ(none.left, 0.0f) << what;
    EXPECT_EQ(none.top, 0.0f) << what;
  }
}

TEST(EnvelopeFeedOffsets, AnEnvelopeLargerThanThePageGetsNoNegativeOffset) {
  // #10 on letter portrait, face up, centred: (8.5 - 9.5) x 0.5 is negative.
  EnvelopeOffsets o = FeedOffsets(0, 0, 2, false, 8.5, 11.0, 9.5f, 4.125f);
  EXPECT_EQ(o.left, 0.0f);
  // 9 x 12 catalogue envelope on landscape letter: too tall, too wide.
  o = FeedOffsets(1, 1, 0, false, 11.0, 8.5, 12.0f, 9.0f);
  EXPECT_EQ(o.left + o.top, 0.0f);
}

TEST(EnvelopeFeedOffsets, StoredClockwisePositions) {
  struct Case {
    int stored, position;
    bool clockwise;
  } cases[] = {{1, 1, false}, {10, 1, true}, {11, 0, true}, {12, 2, true}};
  for (const Case& c : cases) {
    bool clockwise = !c.clockwise;
    EXPECT_EQ(FeedPosition(c.stored, &clockwise), c.position) << c.stored;
    EXPECT_EQ(clockwise, c.clockwise) << c.stored;
  }
  // Stored 10 (left, turned) in landscape face up on letter: right, so the
  // top offset is the whole height difference and the left offset 0.
  bool clockwise = false;
  const int position = FeedPosition(10, &clockwise);
  const EnvelopeOffsets o = FeedOffsets(0, 1, position, clockwise, 11.0, 8.5, 9.5f, 4.125f);
  EXPECT_EQ(o.left, 0.0f);
  EXPECT_NEAR(o.top, 4.375f, 1e-6);
}

TEST(PrintableEnvelopeSetup, DamagedRowsBecomePrintable) {
  TEnvelopeSetup s = DefaultEnvelopeSetup();
  // Sizes, fonts and places: the damaged-setup run checks those on the page.
  s.deliveryBlock.left = -0.25f;
  s.messageBlock.fontSize = 100000;
  s.returnLines = {QStringLiteral("only one")};
  s.position = 7;
  s.facing = 3;
  s.orientation = -1;
  s.address.zipOption = 0;
  const TEnvelopeSetup p = PrintableEnvelopeSetup(s);
  EXPECT_EQ(p.deliveryBlock.left, 0.0f);
  EXPECT_EQ(p.messageBlock.fontSize, 10);
  EXPECT_EQ(p.returnLines, QStringList({"only one", "", "", "", ""}));
  EXPECT_EQ(std::vector<int>({p.position, p.facing, p.orientation, p.address.zipOption}),
            std::vector<int>({2, 1, 1, 1}));
  // A sound setup passes unchanged, clockwise positions included.
  TEnvelopeSetup sound = DefaultEnvelopeSetup();
  sound.position = 11;
  EXPECT_EQ(PrintableEnvelopeSetup(sound).position, 11);
}

}  // namespace
}  // namespace qv

// Envelope runs checked on their page streams: the return address (empty
// lines kept), message and delivery lines at the setup's places plus the
// feed-method offsets, the POSTNET bars above the address decoded back to
// the ZIP and check digit, the preview's outline and stamp, one envelope
// per selected record, stopping, and the table put back afterwards.
#include "envelopes/envelope_run.h"

#include <gtest/gtest.h>

#include <QBuffer>

#include "envelopes/envelope_print.h"
#include "labels_test_util.h"
#include "near.h"
#include "render/report_canvas.h"

namespace qv {
namespace {

using testing::Contact;
using testing::ContactFixture;
using testing::LinesOf;
using testing::Near;
using testing::TestHost;
using testing::TextsOf;

const Contact kPublic = {{"FNAME", "John"},       {"MIDDLE", "Q"},    {"LNAME", "Public"},
                         {"STREET", "123 Main St"}, {"CITY", "Albany"}, {"STATE", "NY"},
                         {"ZIP", "12345-6789"}};

using RunPages = testing::RunPages<EnvelopeRunResult>;

RunPages Preview(ContactFixture& fx, EnvelopeRunOptions options, TestHost& host,
                 EnvelopeRunHooks hooks = {}) {
  options.print = false;
  RunPages run;
  hooks.preview = testing::DecodeInto(&run.pages);
  run.result = DoPrintEnvelopes(fx.table, fx.apollo, options, host, hooks);
  return run;
}

// A preview standing on one contact.
RunPages PreviewFor(const Contact& contact, const EnvelopeRunOptions& options) {
  ContactFixture fx;
  EXPECT_TRUE(fx.make({contact}));
  EXPECT_TRUE(fx.apollo.GoTop());
  TestHost host;
  return Preview(fx, options, host);
}

// The texts drawn in `font size` points, in order.
std::vector<TextOp> InSize(const Page& page, double points) {
  std::vector<TextOp> out;
  for (const TextOp& t : TextsOf(page)) {
    if (t.font.size == points) out.push_back(t);
  }
  return out;
}

// Reads POSTNET back from the bars: a digit is five bars weighted 7 4 2 1
// 0 where the two tall ones add up (11 standing for 0), between two frame
// bars.
QString DecodeBars(const std::vector<LineOp>& bars, double top) {
  if (bars.size() < 2 || (bars.size() - 2) % 5 != 0) return QStringLiteral("bad count");
  auto tall = [&](const LineOp& l) { return std::abs(l.y1 - top) < 1e-6; };
  if (!tall(bars.front()) || !tall(bars.back())) return QStringLiteral("no frame");
  static const int kWeights[5] = {7, 4, 2, 1, 0};
  QString digits;
  for (size_t i = 1; i + 1 < bars.size(); i += 5) {
    int value = 0;
    for (int k = 0; k < 5; ++k) value += tall(bars[i + size_t(k)]) ? kWeights[k] : 0;
    digits += QString::number(value == 11 ? 0 : value);
  }
  return digits;
}

// Lines of a block follow one another at the font's line pitch, an empty
// line kept. Arial is drawn in Liberation Sans, whose line height is
// ascender 1854 + descender 434 + line gap 67 = 2355 of 2048 units to the
// em, in every style.
void ExpectOnePitchApart(const std::vector<TextOp>& lines, double points) {
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_NEAR(lines[i].y - lines[i - 1].y, points * 2355.0 / 2048.0 / 72.0, 2e-4)
        << points << " pt, line " << i;
    EXPECT_DOUBLE_EQ(lines[i].x, lines[0].x);
  }
}

TEST(EnvelopeRun, EnvelopeSizedPageHoldsTheBlocksAtTheSetupPlaces) {
  EnvelopeRunOptions options;
  options.paper = EnvelopePaper::Envelope;
  options.setup.useMessage = true;
  options.setup.returnBlock.fontSize = 12;
  options.setup.deliveryBlock.fontSize = 14;
  options.setup.deliveryBlock.bold = false;
  options.setup.returnLines = {QStringLiteral("Ann Sender"), QString(),
                               QStringLiteral("Troy NY 12180"), QString(), QString()};
  RunPages run = PreviewFor(kPublic, options);
  EXPECT_EQ(std::tuple(run.result.outcome, run.result.statusText),
            std::tuple(EnvelopeRunOutcome::Completed, "\rEnvelope Preview Ready!"));
  ASSERT_EQ(run.pages.pages.size(), 1u);
  const Page& page = run.pages.pages[0];
  // Landscape #10: the page is the envelope (Qt keeps custom sizes to the
  // hundredth), so nothing is offset and no outline, stamp or bar (off) is drawn.
  EXPECT_TRUE(Near({page.width, page.height}, {9.5, 4.125}, 0.01));
  EXPECT_EQ(testing::OpsOf<RectOp>(page).size() + testing::OpsOf<ImageOp>(page).size() +
                LinesOf(page).size(), 0u);

  // Return address: five lines at 0.25 in, the empty second line kept.
  std::vector<TextOp> ret = InSize(page, 12);
  ASSERT_EQ(ret.size(), 5u);
  EXPECT_EQ(ret[2].text, "Troy NY 12180");
  EXPECT_NEAR(ret[0].y, 0.25 + 6.0 / 72, 6.0 / 72);
  EXPECT_NEAR(ret[2].x, 0.25, 1e-6);
  ExpectOnePitchApart(ret, 12);

  // Message (10 pt bold italic) at (0.25, 3.125); delivery (not bold, as
  // set) at (9.5 / 3, 4.125 / 2).
  std::vector<TextOp> message = InSize(page, 10);
  ASSERT_EQ(message.size(), 1u);
  EXPECT_EQ(std::tuple(message[0].text, message[0].font.italic, message[0].font.bold),
            std::tuple("Handle with Care", true, true));
  EXPECT_NEAR(message[0].x, 0.25, 1e-6);
  EXPECT_NEAR(message[0].y, 3.125 + 5.0 / 72, 5.0 / 72);
  std::vector<TextOp> delivery = InSize(page, 14);
  ASSERT_EQ(delivery.size(), 3u);  // no title, no organization
  EXPECT_EQ(std::tuple(delivery[0].text, delivery[0].font.bold),
            std::tuple("John Q. Public ", false));
  EXPECT_NEAR(delivery[2].x, 9.5 / 3, 1e-4);
  EXPECT_NEAR(delivery[0].y, 2.0625 + 7.0 / 72, 7.0 / 72);
  ExpectOnePitchApart(delivery, 14);
}

TEST(EnvelopeRun, LetterPaperMovesEverythingByTheFeedOffsetsAndBarsDecode) {
  EnvelopeRunOptions options;
  options.paper = EnvelopePaper::Letter;
  options.setup.address.barCode = true;
  // Default feed: landscape, face down, centre. Letter turned is 11 x 8.5:
  // left 11 - 9.5 = 1.5, top (8.5 - 4.125) / 2 = 2.1875.
  RunPages run = PreviewFor(kPublic, options);
  ASSERT_EQ(run.pages.pages.size(), 1u);
  const Page& page = run.pages.pages[0];
  EXPECT_DOUBLE_EQ(page.width, 11.0);
  EXPECT_DOUBLE_EQ(page.height, 8.5);
  std::vector<TextOp> ret = InSize(page, 8);
  ASSERT_EQ(ret.size(), 5u);
  EXPECT_NEAR(ret[0].x, 0.25 + 1.5, 1e-6);
  EXPECT_GT(ret[0].y, 0.25 + 2.1875);

  // The bars start at the address's left edge, 0.165 in above its top,
  // one pitch apart; the ZIP+4 carries the street's delivery point 23 and
  // the check digit 0 (1+2+3+4+5+6+7+8+9+2+3 = 50).
  const std::vector<LineOp> bars = LinesOf(page);
  const double top = 2.0625 - 0.165 + 2.1875;
  ASSERT_EQ(bars.size(), 62u);
  EXPECT_NEAR(bars[0].x1, 9.5 / 3 + 1.5, 1e-4);
  EXPECT_EQ(DecodeBars(bars, top), "123456789230");

  // The preview on larger paper shows the outline to 9.5 - 0.1 across and
  // a stamp 0.75 in square, 0.25 in from the right and 0.125 in from the top.
  const std::vector<RectOp> rects = testing::OpsOf<RectOp>(page);
  const std::vector<ImageOp> images = testing::OpsOf<ImageOp>(page);
  ASSERT_EQ(rects.size(), 1u);
  ASSERT_EQ(images.size(), 1u);
  auto near = [](const QRectF& a, const QRectF& b) {
    return std::abs(a.left() - b.left()) + std::abs(a.top() - b.top()) +
               std::abs(a.width() - b.width()) + std::abs(a.height() - b.height()) < 1e-6;
  };
  EXPECT_TRUE(near(rects[0].rect, QRectF(1.5, 2.1875, 9.4, 4.125)));
  EXPECT_TRUE(near(images[0].rect, QRectF(1.5 + 8.5, 2.1875 + 0.125, 0.75, 0.75)));
  options.decorate = false;
  EXPECT_TRUE(testing::OpsOf<RectOp>(PreviewFor(kPublic, options).pages.pages.at(0)).empty());
}

// Berlin's code looks like a New York ZIP, but a foreign address gets no bars.
TEST(EnvelopeRun, AForeignAddressGetsNoBars) {
  Contact berlin = kPublic;
  berlin["ZIP"] = "10117";
  berlin["COUNTRY"] = "Germany";
  EnvelopeRunOptions options;
  options.paper = EnvelopePaper::Envelope;
  options.setup.address.barCode = true;
  EXPECT_TRUE(LinesOf(PreviewFor(berlin, options).pages.pages.at(0)).empty());
}

// A print run on paper larger than the envelope draws neither outline nor stamp.
TEST(EnvelopeRun, PrintOnLargerPaperDrawsNoOutlineNorStamp) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({kPublic}));
  EXPECT_TRUE(fx.apollo.GoTop());
  TestHost host;
  EnvelopeRunOptions options;
  options.paper = EnvelopePaper::Letter;
  EnvelopeRunHooks hooks;
  size_t decorations = 99;
  hooks.printEnvelopes = [&](TEnvelopePrint& job) {
    job.Report().setOutputToStream(nullptr);
    job.FormActivate();
    decorations = 0;
    for (const Page& p : job.Report().pages().pages) {
      for (const PageOp& op : p.ops) {
        decorations += std::holds_alternative<RectOp>(op) || std::holds_alternative<ImageOp>(op);
      }
    }
  };
  EnvelopeRunResult result = DoPrintEnvelopes(fx.table, fx.apollo, options, host, hooks);
  EXPECT_EQ(result.statusText, "\rEnvelope Print Completed!");
  EXPECT_EQ(decorations, 0u);
}

TEST(EnvelopeRun, OneEnvelopePerSelectedRecordAndTheTableComesBack) {
  ContactFixture fx;
  ASSERT_TRUE(fx.make({{{"LNAME", "Carter"}, {"ZIP", "12207"}},
                       {{"LNAME", "Adams"}, {"ZIP", "12207"}},
                       {{"LNAME", "Baker"}, {"PREFIX", "DELETED"}},
                       {{"LNAME", "Brown"}, {"ZIP", "12207"}}}));
  fx.apollo.SetOrder(fx.apollo.TagArea(QStringLiteral("LNAME")));
  EXPECT_TRUE(fx.apollo.Go(4));
  struct Case {
    RecordSelection selection;
    QStringList names;
  } cases[] = {
      {RecordSelection::All, {"Adams ", "Brown ", "Carter "}},
      {RecordSelection::Current, {"Brown "}},
  };
  for (const Case& c : cases) {
    TestHost host;
    EnvelopeRunOptions options;
    options.selection = c.selection;
    options.paper = EnvelopePaper::Envelope;
    RunPages run = Preview(fx, options, host);
    ASSERT_EQ(run.result.outcome, EnvelopeRunOutcome::Completed);
    EXPECT_EQ(run.result.envelopes, c.names.size());
    ASSERT_EQ(run.pages.pages.size(), size_t(c.names.size()));
    for (int i = 0; i < c.names.size(); ++i) {
      EXPECT_EQ(InSize(run.pages.pages[size_t(i)], 10).at(0).text, c.names[i]);
    }
    EXPECT_EQ(fx.apollo.RecNo(), 4);
  }
}

TEST(EnvelopeRun, StopEndsAPreviewAfterTheCurrentEnvelope) {
  ContactFixture fx;
  std::vector<Contact> many;
  for (int i = 0; i < 10; ++i) many.push_back({{"LNAME", "N" + std::to_string(i)}});
  ASSERT_TRUE(fx.make(many));
  TestHost host;
  EnvelopeRunOptions options;
  options.selection = RecordSelection::All;
  EnvelopeRunHooks hooks;
  TEnvelopePrint* running = nullptr;
  hooks.printEnvelopes = [&](TEnvelopePrint& job) {
    running = &job;
    job.FormActivate();
  };
  host.onEvents = [&](int round) {
    if (round == 3 && running) running->CancelButtonClick();
  };
  RunPages run = Preview(fx, options, host, hooks);
  EXPECT_EQ(std::tuple(run.result.outcome, run.result.statusText, run.pages.pages.size()),
            std::tuple(EnvelopeRunOutcome::Stopped, "\rPreview Stopped!", 3u));
}

TEST(EnvelopeRun, DamagedSetupStillPrints) {
  EnvelopeRunOptions options;
  options.paper = EnvelopePaper::Envelope;
  options.setup.envelopeWidth = 0;
  options.setup.envelopeHeight = 0;
  options.setup.deliveryBlock.fontName = QStringLiteral("No Such Font Anywhere");
  options.setup.deliveryBlock.fontSize = 0;
  options.setup.returnBlock.top = -2;
  options.setup.returnLines = {QString(45, QLatin1Char('x'))};
  RunPages run = PreviewFor(kPublic, options);
  ASSERT_EQ(run.result.outcome, EnvelopeRunOutcome::Completed);
  ASSERT_EQ(run.pages.pages.size(), 1u);
  const Page& page = run.pages.pages[0];
  EXPECT_NEAR(page.width, 9.5, 0.01);  // the #10 size stands in
  std::vector<TextOp> ret = InSize(page, 8);
  ASSERT_EQ(ret.size(), 5u);
  EXPECT_GT(ret[0].y, 0.0);  // clamped to the top edge, not above it
  EXPECT_EQ(InSize(page, 10).size(), 3u);  // the default delivery size
}

}  // namespace
}  // namespace qv

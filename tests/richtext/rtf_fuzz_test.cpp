// Thousands of truncated and mutated RTF files through the reader: each
// either reads (and what we write of it reads again) or is refused with a
// message; none crashes or hangs.
#include <gtest/gtest.h>

#include <random>

#include "richtext/page_paint.h"
#include "richtext/rtf.h"

namespace qv {
namespace {

const QByteArray kSeed =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fcharset204 "
    "Times;}}{\\colortbl;\\red255\\green0\\blue0;}\\paperw12240\\paperh15840\\margl1440"
    "{\\*\\generator x;}\\pard\\qc\\li720\\tqr\\tx5000 \\b Dear [First]\\b0 ,\\tab \\'e9\\u8364?"
    "\\par\\trowd\\cellx2000\\cellx4000\\pard\\intbl a\\cell b\\cell\\row\\pard "
    "{\\pict\\pngblip\\picwgoal100\\pichgoal100 89504e470d0a1a0a0000000d49484452}\\page end\\par}";

// A file cut short keeps its text and says it ends early; any file read
// gives a document whose RTF, as we write it, reads again; a refusal says
// why.
TEST(RtfFuzz, TruncatedAndMutatedFilesNeverCrash) {
  std::mt19937 random(12345);
  const char alphabet[] = "{}\\'*0123456789abcdefpardcelltrowd-; u\r\n";
  int read = 0;
  for (int n = 0; n < 3000; ++n) {
    SCOPED_TRACE(n);
    QByteArray rtf = kSeed;
    const bool truncated = n < 400;
    if (truncated) {
      rtf.truncate(qsizetype(random() % rtf.size()));
    } else {
      const int edits = 1 + int(random() % 8);
      for (int e = 0; e < edits; ++e) {
        const qsizetype at = qsizetype(random() % rtf.size());
        switch (random() % 3) {
          case 0: rtf[at] = alphabet[random() % (sizeof alphabet - 1)]; break;
          case 1: rtf.insert(at, alphabet[random() % (sizeof alphabet - 1)]); break;
          default: rtf.remove(at, 1 + qsizetype(random() % 16)); break;
        }
      }
    }
    RichDocument doc;
    const RtfReadResult r = ReadRtf(rtf, &doc);
    if (truncated && rtf.size() > 6) {
      EXPECT_TRUE(r.ok && !r.warnings.isEmpty()) << rtf.size() << ": " << r.error.toStdString();
    }
    if (!r.ok) {
      EXPECT_FALSE(r.error.isEmpty());
      continue;
    }
    ++read;
    RichDocument again;
    EXPECT_TRUE(ReadRtf(WriteRtf(doc), &again).ok);
    doc.reformat();
    int next = 0;
    RichPage(doc, 0, &next, nullptr);
  }
  EXPECT_GT(read, 2000);  // nearly every damaged file still gives its text
}

TEST(RtfFuzz, HugePictureAndHugeNumbers) {
  QByteArray rtf = "{\\rtf1 a{\\pict\\pngblip ";
  rtf += QByteArray(2 * kRtfMaxPictureBytes + 64, 'a');
  rtf += "}b\\fs99999999999999\\li-99999999999 c\\paperw0\\margl99999999999999}";
  RichDocument doc;
  const RtfReadResult r = ReadRtf(rtf, &doc);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(doc.doc().toPlainText(), "abc");
  EXPECT_TRUE(r.warnings.contains(QStringLiteral("A picture larger than 32 MB was left out.")));
  doc.reformat();
  EXPECT_GE(doc.pageCount(), 1);
}

}  // namespace
}  // namespace qv

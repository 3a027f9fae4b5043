// A large letter template through the rich-text engine: read, stored
// (written back as RTF), merged with one record, laid out and printed page
// by page, each step timed. Without a file it makes a document of about
// the given size (default 2 MB): text paragraphs in changing formats, an
// address table and a logo picture as hex, as letterheads hold them.
//   rtf_bench [MB]
//   rtf_bench FILE.rtf
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "letters/merge.h"
#include "richtext/page_paint.h"
#include "richtext/rtf.h"

namespace {

QByteArray MakeDocument(double megabytes) {
  const qsizetype target = qsizetype(megabytes * 1024 * 1024);
  QByteArray rtf =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}"
      "{\\f1\\fswiss Arial;}}{\\colortbl;\\red200\\green0\\blue0;}\n"
      "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\n"
      "\\pard\\qc\\f1\\fs28\\b [Full Name]\\b0\\par\n";
  // A logo of about a quarter of the size, as hex.
  QImage logo(600, 300, QImage::Format_RGB32);
  for (int y = 0; y < logo.height(); ++y) {
    for (int x = 0; x < logo.width(); ++x) logo.setPixel(x, y, qRgb(x * 7 ^ y * 13, x * y, y * 3));
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  logo.save(&buffer, "PNG");
  rtf += "{\\pict\\pngblip\\picwgoal2880\\pichgoal1440\n";
  const QByteArray hex = png.toHex();
  for (qsizetype i = 0; i < hex.size() && rtf.size() < target / 4; i += 128) {
    rtf += hex.mid(i, 128) + '\n';
  }
  rtf += "}\\par\n";
  int n = 0;
  while (rtf.size() < target) {
    ++n;
    if (n % 40 == 0) {
      rtf += "\\trowd\\trgaph108\\clbrdrb\\brdrs\\brdrw10\\cellx3000\\cellx6000\\cellx9360\n";
      rtf += "\\pard\\intbl [First]\\cell [Street]\\cell [City+State+Zip]\\cell\\row\n";
      continue;
    }
    rtf += "\\pard\\sa120\\sl276\\slmult1\\fi360 Dear [First], paragraph " + QByteArray::number(n) +
           " of the letter says {\\b what it says} in {\\i a few} words, {\\cf1\\f1 with "
           "colour,} caf\\'e9 \\u8364? and a tab\\tab before the end of the sentence. The same "
           "paragraph goes on for another line or two so that it wraps like body text does.\\par\n";
  }
  rtf += "}";
  return rtf;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QByteArray rtf;
  const QString arg = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  if (arg.endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive)) {
    QFile file(arg);
    if (!file.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "rtf_bench: cannot open %s\n", argv[1]);
      return 1;
    }
    rtf = file.readAll();
  } else {
    const double mb = arg.isEmpty() ? 2.0 : arg.toDouble();
    if (mb <= 0 || mb > 512) {
      std::fprintf(stderr, "usage: rtf_bench [MB] | rtf_bench FILE.rtf\n");
      return 2;
    }
    rtf = MakeDocument(mb);
  }
  std::printf("document: %lld bytes\n", static_cast<long long>(rtf.size()));
  QElapsedTimer total;
  total.start();
  QElapsedTimer timer;
  timer.start();
  qv::RichDocument doc;
  const qv::RtfReadResult read = qv::ReadRtf(rtf, &doc);
  if (!read.ok) {
    std::fprintf(stderr, "rtf_bench: %s\n", qPrintable(read.error));
    return 1;
  }
  std::printf("read: %lld ms (%d blocks)\n", timer.restart(), doc.doc().blockCount());
  const QByteArray stored = qv::WriteRtf(doc);
  std::printf("stored: %lld ms (%lld bytes)\n", timer.restart(),
              static_cast<long long>(stored.size()));
  qv::RichDocument letter = doc;
  qv::ReplaceTokens(
      letter, [](const QString& field) { return field == QLatin1String("FNAME") ? "Ann" : "x"; },
      QStringLiteral("12/9/2026"));
  std::printf("merged and laid out: %lld ms (%d pages)\n", timer.restart(), letter.pageCount());
  qv::PictureCache cache;
  long long ops = 0;
  int next = 0, pages = 0;
  do {
    const qv::Page page = qv::RichPage(letter, next, &next, &cache);
    ops += static_cast<long long>(page.ops.size());
    ++pages;
  } while (next != 0);
  std::printf("printed: %lld ms (%d pages, %lld operations)\n", timer.restart(), pages, ops);
  std::printf("total: %lld ms\n", total.elapsed());
  return 0;
}

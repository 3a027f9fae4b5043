#include "sample_report.h"

#include <QImage>
#include <QPainter>

namespace qv::testing {

namespace {

QImage Stamp() {
  QImage image(24, 24, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.fillRect(2, 2, 20, 20, QColor(200, 30, 30));
  p.fillRect(6, 6, 12, 12, Qt::white);
  return image;
}

void Header(ReportCanvas& r) {
  r.resetSection();
  r.setFont(QStringLiteral("Times New Roman"), 14);
  r.setBold(true);
  r.home();
  r.print(QStringLiteral("Sample Contact List"));
  r.printRight(QStringLiteral("Page %1").arg(r.currentPage()), r.sectionRight());
  r.newLine();
  r.setFont(QStringLiteral("Arial"), 9);
  r.setBold(false);
  r.setItalic(true);
  r.println(QStringLiteral("Four columns, shaded every other row"));
  r.setItalic(false);
  r.setPen(Qt::black, PenStyle::Solid, -2, PenMode::Copy);
  r.moveTo(r.sectionLeft(), r.marginTop() + 0.7);
  r.lineTo(r.sectionRight(), r.marginTop() + 0.7);
  r.resetPen();
  if (r.currentPage() == 1) r.stretchDraw(QRectF(7.0, 0.1, 0.375, 0.375), Stamp());
  r.setSectionTop(r.marginTop() + 0.75);
  r.home();
}

void Footer(ReportCanvas& r) {
  r.setPen(QColor(0xC0, 0xC0, 0xC0), PenStyle::Dash, 1, PenMode::Copy);
  double y = r.pageHeight() - 0.4;
  r.moveTo(r.marginLeft(), y);
  r.lineTo(r.pageWidth() - r.marginRight(), y);
  r.resetPen();
}

void Body(ReportCanvas& r, int rows) {
  r.clearTabs();
  r.setTab(r.sectionLeft(), TabJustify::Right, 0.5, 4, BoxAll, 0);
  r.setTab(kTabFollows, TabJustify::Left, 2.5, 4, BoxNone, 0);
  r.setTab(kTabFollows, TabJustify::Right, 1.5, 4, BoxNone, 0);
  r.setTab(kTabFollows, TabJustify::Center, 1.0, 4, BoxLeft | BoxRight, 0);
  r.setFont(QStringLiteral("Arial"), 9);
  for (int i = 1; i <= rows && !r.aborted(); ++i) {
    if (r.linesLeft() == 0) r.newPage();
    r.setTabShade(i % 2 == 1 ? 5 : 0);
    r.printTab(QString::number(i));
    r.printTab(i % 10 == 0 ? QStringLiteral("A name far too long for its cell, cut at the edge")
                           : QStringLiteral("Contact number %1").arg(i));
    r.printTab(QStringLiteral("%1.00").arg(i * 7));
    r.printTab(i % 3 == 0 ? QStringLiteral("VIP") : QStringLiteral("-"));
    r.newLine();
    r.setStatusLine(0, QStringLiteral("Record %1").arg(i));
  }
  r.rectangle(r.sectionLeft(), r.sectionTop(), r.sectionLeft() + 5.5, r.lineTop());
}

}  // namespace

void WireSampleReport(ReportCanvas& canvas, int rows) {
  canvas.setTitle(QStringLiteral("Sample Contact List"));
  canvas.events().OnBeforePrint = [](ReportCanvas& r) {
    r.setMargins(0.5, 0.5, 0.5, 0.5);
    r.setStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
    r.clearStatusLines();
    r.addStatusLine(QString());
    r.addStatusLine(QString());
  };
  canvas.events().OnPrintHeader = Header;
  canvas.events().OnPrintFooter = Footer;
  canvas.events().OnPrint = [rows](ReportCanvas& r) { Body(r, rows); };
}

}  // namespace qv::testing

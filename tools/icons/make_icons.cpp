// Draws the program's icon from one list of shapes, as the SVG the desktop
// scales and as the PNGs of the fixed sizes icon themes want:
//   quorvane-icons OUTDIR NAME
// writes OUTDIR/scalable/apps/NAME.svg and OUTDIR/SIZExSIZE/apps/NAME.png.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <vector>

namespace {

// On a 256-unit square.
struct Shape {
  enum Kind { RoundRect, Rect, Line } kind;
  double x, y, w, h;  // Line: from (x, y) to (w, h)
  const char* fill;   // empty: none
  const char* stroke;
  double strokeWidth;
};

// A stack of address labels in front of an envelope, on a blue tile.
const std::vector<Shape> kShapes = {
    {Shape::RoundRect, 8, 8, 240, 240, "#2a5d9f", "", 0},
    {Shape::Rect, 36, 64, 184, 124, "#f4f1e8", "#1d3f6e", 6},
    {Shape::Line, 36, 64, 128, 134, "", "#1d3f6e", 6},
    {Shape::Line, 128, 134, 220, 64, "", "#1d3f6e", 6},
    {Shape::Rect, 92, 150, 140, 70, "#ffffff", "#1d3f6e", 5},
    {Shape::Rect, 106, 166, 80, 8, "#1d3f6e", "", 0},
    {Shape::Rect, 106, 182, 100, 8, "#1d3f6e", "", 0},
    {Shape::Rect, 106, 198, 60, 8, "#1d3f6e", "", 0},
    {Shape::Rect, 188, 82, 20, 24, "#d9534f", "", 0},
};

constexpr double kCorner = 40;

QString Svg() {
  QString s = QStringLiteral(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
      "viewBox=\"0 0 256 256\">\n");
  for (const Shape& p : kShapes) {
    const QString paint = QStringLiteral(" fill=\"%1\" stroke=\"%2\" stroke-width=\"%3\"")
                              .arg(*p.fill ? p.fill : "none", *p.stroke ? p.stroke : "none")
                              .arg(p.strokeWidth);
    if (p.kind == Shape::Line) {
      s +=
          QStringLiteral("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke-linecap=\"round\"")
              .arg(p.x)
              .arg(p.y)
              .arg(p.w)
              .arg(p.h) +
          paint + "/>\n";
    } else {
      const double r = p.kind == Shape::RoundRect ? kCorner : 0;
      s += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\"")
               .arg(p.x)
               .arg(p.y)
               .arg(p.w)
               .arg(p.h)
               .arg(r) +
           paint + "/>\n";
    }
  }
  return s + QStringLiteral("</svg>\n");
}

QImage Png(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 256.0, size / 256.0);
  for (const Shape& p : kShapes) {
    QPen pen = *p.stroke ? QPen(QColor(QLatin1String(p.stroke)), p.strokeWidth) : QPen(Qt::NoPen);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(*p.fill ? QBrush(QColor(QLatin1String(p.fill))) : QBrush(Qt::NoBrush));
    if (p.kind == Shape::Line) {
      painter.drawLine(QPointF(p.x, p.y), QPointF(p.w, p.h));
    } else {
      const double r = p.kind == Shape::RoundRect ? kCorner : 0;
      painter.drawRoundedRect(QRectF(p.x, p.y, p.w, p.h), r, r);
    }
  }
  return image;
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
         file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: quorvane-icons OUTDIR NAME\n", stderr);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]), name = QString::fromLocal8Bit(argv[2]);
  bool ok = Write(out + "/scalable/apps/" + name + ".svg", Svg().toUtf8());
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
    ok = ok && QDir().mkpath(dir) && Png(size).save(dir + "/" + name + ".png");
  }
  if (!ok) std::fputs("quorvane-icons: cannot write the icons\n", stderr);
  return ok ? 0 : 1;
}

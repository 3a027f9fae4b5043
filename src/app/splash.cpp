#include "app/splash.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace qv {

namespace {
constexpr int kWidth = 380;
constexpr int kHeight = 220;
}  // namespace

TSplash::TSplash(Mode mode, QWidget* parent) : QDialog(parent), m_mode(mode) {
  setFixedSize(kWidth, kHeight);
  if (mode == Mode::Splash) {
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
  } else {
    setWindowTitle(QStringLiteral("About"));
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    OKButton->setGeometry(kWidth - 96, kHeight - 38, 84, 26);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  }
}

void TSplash::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  // A teal band with an envelope on the left, the name on the right.
  QLinearGradient band(0, 0, 0, height());
  band.setColorAt(0, QColor(0x00, 0x80, 0x80));
  band.setColorAt(1, QColor(0x00, 0x4c, 0x4c));
  p.fillRect(rect(), band);

  const QRectF envelope(24, 60, 96, 64);
  p.setPen(QPen(QColor(0x4c, 0x00, 0x4c), 2));
  p.setBrush(QColor(0xfa, 0xf6, 0xea));
  p.drawRect(envelope);
  QPainterPath flap;
  flap.moveTo(envelope.topLeft());
  flap.lineTo(envelope.center().x(), envelope.top() + 36);
  flap.lineTo(envelope.topRight());
  p.setBrush(Qt::NoBrush);
  p.drawPath(flap);
  p.setBrush(QColor(0x80, 0x00, 0x80));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(envelope.right() - 22, envelope.top() + 6, 14, 16));

  p.setPen(Qt::white);
  QFont title = font();
  title.setPointSize(title.pointSize() + 9);
  title.setBold(true);
  p.setFont(title);
  p.drawText(QRect(136, 44, width() - 144, 40), Qt::AlignLeft | Qt::AlignVCenter,
             QStringLiteral("Quorvane"));
  QFont sub = font();
  sub.setPointSize(sub.pointSize() + 1);
  p.setFont(sub);
  p.drawText(QRect(136, 84, width() - 144, 60), Qt::AlignLeft | Qt::TextWordWrap,
             QStringLiteral("Mailing lists: labels, envelopes,\nletters and reports"));
  QFont small = font();
  p.setFont(small);
  const QString version = QApplication::applicationVersion();
  p.drawText(QRect(136, 150, width() - 144, 20), Qt::AlignLeft,
             version.isEmpty() ? QString() : QStringLiteral("Version ") + version);
  if (m_mode == Mode::Splash) {
    p.drawText(QRect(136, 178, width() - 144, 20), Qt::AlignLeft, QStringLiteral("Starting..."));
  }
}

}  // namespace qv

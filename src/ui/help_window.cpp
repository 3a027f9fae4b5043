#include "ui/help_window.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace qv {

namespace {
QPointer<HelpWindow> g_help;

int TopicOf(const QUrl& url) { return url.fileName().section(QLatin1Char('.'), 0, 0).toInt(); }
}  // namespace

HelpWindow* HelpWindow::Instance() {
  if (g_help.isNull()) g_help = new HelpWindow();
  return g_help.data();
}

bool HelpWindow::HasTopic(int topic) {
  return QFile::exists(QStringLiteral(":/help/%1.html").arg(topic));
}

QString HelpWindow::TopicUrl(int topic) { return QStringLiteral("qrc:/help/%1.html").arg(topic); }

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Quorvane Help"));
  resize(560, 600);
  m_browser = new QTextBrowser(this);
  m_browser->setOpenExternalLinks(true);
  auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
  auto* back = new QPushButton(QStringLiteral("&Back"), this);
  auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  back->setEnabled(false);
  forward->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(contents);
  buttons->addWidget(back);
  buttons->addWidget(forward);
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addWidget(m_browser);

  connect(contents, &QPushButton::clicked, this, [this] { showTopic(kContentsTopic); });
  connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
  connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
  connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
  connect(m_browser, &QTextBrowser::sourceChanged, this,
          [this](const QUrl& url) { m_topic = TopicOf(url); });
}

void HelpWindow::showTopic(int topic) {
  if (topic == 0 || !HasTopic(topic)) topic = kContentsTopic;
  m_browser->setSource(QUrl(TopicUrl(topic)));
  m_topic = topic;
  belongTo(QApplication::activeModalWidget());
  show();
  raise();
  activateWindow();
}

// Moves the window under `owner` (or to the top level), keeping its place
// and size; a modal window does not block the windows it owns.
void HelpWindow::belongTo(QWidget* owner) {
  if (owner == this) owner = nullptr;
  if (parentWidget() == owner) return;
  if (parentWidget()) parentWidget()->removeEventFilter(this);
  const QRect frame = geometry();
  const bool shown = isVisible();
  setParent(owner, Qt::Window);
  setGeometry(frame);
  if (owner) owner->installEventFilter(this);
  if (shown) show();
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && (event->type() == QEvent::Hide || event->type() == QEvent::Close)) {
    // The modal window is going: stay open without it, or under the modal
    // window beneath it, if any.
    QWidget* next = QApplication::activeModalWidget();
    belongTo(next == parentWidget() ? nullptr : next);
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace qv

// The help window: the program's help pages (HTML compiled into the
// program, one page per topic number) in a browser window with contents,
// back and forward. One window serves every request.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace qv {

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // The contents page's topic; 0 asks for it too.
  static constexpr int kContentsTopic = 1010;

  // The one help window, made on first use.
  static HelpWindow* Instance();

  // Shows `topic` (the contents when there is no page for it) and brings
  // the window forward. While a modal window is open the help window
  // belongs to it, so the modality does not block it; when that window
  // closes the help window stands on its own again.
  void showTopic(int topic);
  int currentTopic() const { return m_topic; }
  QTextBrowser* browser() const { return m_browser; }

  // Whether the program carries a page for `topic`.
  static bool HasTopic(int topic);
  static QString TopicUrl(int topic);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit HelpWindow(QWidget* parent = nullptr);
  void belongTo(QWidget* owner);

  QTextBrowser* m_browser;
  int m_topic = 0;
};

}  // namespace qv

#include "ui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/help_window.h"
#include "ui/printer_setup.h"

namespace qv {

namespace {
StandardDialogService g_standard;
DialogService* g_current = nullptr;
}  // namespace

DialogService& Dialogs() { return g_current != nullptr ? *g_current : g_standard; }

DialogService* InstallDialogService(DialogService* service) {
  DialogService* previous = g_current != nullptr ? g_current : &g_standard;
  g_current = service;
  return previous == &g_standard ? nullptr : previous;
}

namespace {

// A message box is as narrow as its text; the window manager then cuts a
// longer caption ("Quor...dows"). A spacer under the text keeps the box as
// wide as the caption with the frame's buttons beside it.
int Exec(QMessageBox& box) {
  const int frameButtons = 120;
  const int wanted = box.fontMetrics().horizontalAdvance(box.windowTitle()) + frameButtons;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box.exec();
}

}  // namespace

void StandardDialogService::information(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok,
                  parent);
  Exec(box);
}

void StandardDialogService::error(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kApplicationTitle), text,
                  QMessageBox::Ok, parent);
  Exec(box);
}

bool StandardDialogService::question(QWidget* parent, const QString& text, bool defaultYes) {
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
  return Exec(box) == QMessageBox::Yes;
}

bool StandardDialogService::titledQuestion(QWidget* parent, const QString& caption,
                                           const QString& text, bool defaultYes) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                  parent);
  box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
  return Exec(box) == QMessageBox::Yes;
}

bool StandardDialogService::inputText(QWidget* parent, const QString& caption,
                                      const QString& prompt, QString* text) {
  bool ok = false;
  const QString typed = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, *text, &ok);
  if (ok) *text = typed;
  return ok;
}

bool StandardDialogService::inputLines(QWidget* parent, const QString& caption,
                                       QStringList* lines) {
  QDialog memo(parent);
  memo.setWindowTitle(caption);
  auto* edit = new QPlainTextEdit(lines->join(QLatin1Char('\n')), &memo);
  auto* save = new QPushButton(QStringLiteral("Save"), &memo);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), &memo);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(save);
  row->addWidget(cancel);
  auto* layout = new QVBoxLayout(&memo);
  layout->addWidget(edit);
  layout->addLayout(row);
  QObject::connect(save, &QPushButton::clicked, &memo, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &memo, &QDialog::reject);
  if (memo.exec() != QDialog::Accepted) return false;
  *lines = edit->toPlainText().split(QLatin1Char('\n'));
  return true;
}

QString StandardDialogService::openFileName(QWidget* parent, const QString& caption,
                                            const QString& dir, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString StandardDialogService::saveFileName(QWidget* parent, const QString& caption,
                                            const QString& dir, const QString& filter,
                                            bool confirmOverwrite) {
  return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr,
                                      confirmOverwrite ? QFileDialog::Options()
                                                       : QFileDialog::DontConfirmOverwrite);
}

bool StandardDialogService::print(QWidget* parent, QPrinter* printer) {
  // The file last printed to is offered again while the program runs.
  static QString lastFile;
  if (printer->outputFormat() == QPrinter::PdfFormat && printer->outputFileName().isEmpty() &&
      !lastFile.isEmpty()) {
    printer->setOutputFileName(lastFile);
  }
  QPrintDialog dialog(printer, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (!printer->outputFileName().isEmpty()) lastFile = printer->outputFileName();
  return true;
}

bool StandardDialogService::printerSetup(QWidget* parent, QPrinter* printer) {
  PrinterSetupDialog dialog(printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool StandardDialogService::chooseFont(QWidget* parent, QFont* font) {
  // A family the system lacks ("Arial" here) is shown as the family that
  // stands in for it, so the list has it selected.
  QFont start = *font;
  if (!QFontDatabase::families().contains(start.family(), Qt::CaseInsensitive)) {
    start.setFamily(QFontInfo(start).family());
  }
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, start, parent);
  // The stand-in left as it was keeps the name the setup holds.
  if (ok && chosen.family() == start.family()) chosen.setFamily(font->family());
  if (ok) *font = chosen;
  return ok;
}

void StandardDialogService::showHelp(QWidget*, int topic) {
  HelpWindow::Instance()->showTopic(topic);
}

void StandardDialogService::beep() { QApplication::beep(); }

}  // namespace qv

#include "ui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/help_window.h"

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

void StandardDialogService::information(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok,
                  parent);
  box.exec();
}

bool StandardDialogService::question(QWidget* parent, const QString& text, bool defaultYes) {
  QMessageBox box(QMessageBox::Question, QString::fromLatin1(kApplicationTitle), text,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

bool StandardDialogService::titledQuestion(QWidget* parent, const QString& caption,
                                           const QString& text, bool defaultYes) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                  parent);
  box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
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
  QPrintDialog dialog(printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool StandardDialogService::printerSetup(QWidget* parent, QPrinter* printer) {
  QPageSetupDialog dialog(printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool StandardDialogService::chooseFont(QWidget* parent, QFont* font) {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, *font, parent);
  if (ok) *font = chosen;
  return ok;
}

void StandardDialogService::showHelp(QWidget*, int topic) {
  HelpWindow::Instance()->showTopic(topic);
}

void StandardDialogService::beep() { QApplication::beep(); }

}  // namespace qv

// "Copy Records Out": copies the records of the main window's selection,
// in its order, to a new DBF table of the contact file's structure, to a
// comma-delimited text file, to a CSV file with a header line or to a
// vCard file.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

#include "transfer/copy_out.h"

#include "ui/qt_classes.h"

namespace qv {

class TableObject;

class TCopyOut : public QDialog {
  Q_OBJECT

 public:
  // `contacts` is the main table, `filter` the main window's filter and
  // `tag` its order; `contactFile` is the open file's name.
  TCopyOut(TableObject* contacts, const QString& filter, const QString& tag,
           const QString& contactFile, const QString& programDir, QWidget* parent = nullptr);

  QWidget* SetupPanel;
  QRadioButton* ToDBF;
  QRadioButton* ToAscii;
  QRadioButton* ToCsv;
  QRadioButton* ToVcard;
  QPushButton* SaveAsButton;
  QLabel* FileName;
  QPushButton* Doit;
  QPushButton* CancelButton;
  QPushButton* HelpButton;
  QWidget* ProgressPanel;
  QLabel* WhatAmIDoing;
  QProgressBar* Gauge;

  void SaveAsButtonClick();
  void DoitClick();
  void CancelbuttonClick();
  void FormatClick();

  // Called once per progress step of the copy (tests press Cancel there).
  std::function<void(int percent)> OnCopyProgress;

  // The chosen output, empty for "(none)".
  QString outputName() const { return m_name; }
  bool copying() const { return m_copying; }
  std::int64_t copied() const { return m_copied; }

 protected:
  void reject() override;

 private:
  enum class Format { Dbf, Ascii, Csv, Vcard };
  Format format() const;
  void SetName(const QString& name);

  TableObject* m_contacts;
  QString m_filter;
  QString m_tag;
  QString m_contactFile;
  QString m_saveDir;
  QString m_name;
  std::int64_t m_copied = 0;
  bool m_copying = false;
  bool m_cancel = false;
};

}  // namespace qv

// The Rebuild Indexes window: packs the open contact file, builds its 21
// tags anew, then packs and re-indexes the six support tables of the
// program directory, with a status line and a progress gauge.
#pragma once

#include <QDialog>
#include <QString>

#include "ui/qt_classes.h"

namespace qv {

class TableObject;
class TApollo;

class TQVReindex : public QDialog {
  Q_OBJECT

 public:
  // `contacts` is the open contact file and `apollo` its access object;
  // `programDirectory` holds the support tables.
  TQVReindex(TableObject* contacts, TApollo* apollo, const QString& programDirectory,
             QWidget* parent = nullptr);

  // The "Reindex" button: runs everything, then closes the window.
  void DoitClick();

  // Controls, for tests.
  QLabel* WhatAmIDoing;
  QProgressBar* Gauge;
  QPushButton* DoitButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

 private:
  void Progress(int percent);
  void RebuildSupportTable(const QString& name, const QString& tag, const QString& key);

  TableObject* m_contacts;
  TApollo* m_apollo;
  QString m_directory;
  bool m_packing = false;
};

}  // namespace qv

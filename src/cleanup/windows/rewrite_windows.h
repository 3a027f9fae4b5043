// The bulk-change windows over the main window's own contact table:
// "Convert To Uppercase", "Search and Replace" and "Delete Records". Each
// reads its controls into the job's options and runs the job below.
#pragma once

#include <QDialog>
#include <QList>
#include <functional>

#include "cleanup/rewrite.h"

#include "ui/qt_classes.h"

namespace qv {

class TableObject;

class TConvertToUpper : public QDialog {
  Q_OBJECT

 public:
  // `hasFilter`: the main window has a filter, so its choice is offered.
  TConvertToUpper(TableObject* table, bool hasFilter, QWidget* parent = nullptr);

  QList<QCheckBox*> FieldChecks;  // in the order of UpperFields()
  QCheckBox* cAll;
  QRadioButton* rCurrentRecord;
  QRadioButton* rFilterRecords;
  QRadioButton* rAllRecords;
  QWidget* OptionsPanel;
  QProgressBar* Gauge;
  QPushButton* ConvertButton;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

  QStringList checkedFields() const;
  void cAllClick();
  void ConvertButtonClick();
  void CancelButtonClick();
  int converted() const { return m_converted; }

 protected:
  void reject() override;

 private:
  TableObject* m_table;
  bool m_converting = false;
  bool m_cancel = false;
  int m_converted = 0;
};

// What Search and Replace and Delete Records share: under the window's own
// set-up panel a progress panel shown while the job runs, and the Doit,
// Cancel and Help row.
class TBulkChange : public QDialog {
 public:
  QWidget* ProgressPanel;
  QLabel* WhatAmIDoing;
  QProgressBar* Gauge;
  QPushButton* Doit;
  QPushButton* CancelButton;
  QPushButton* HelpButton;

 protected:
  TBulkChange(TableObject* table, QWidget* parent) : QDialog(parent), m_table(table) {}
  // Adds the progress panel (hidden) and the button row to `layout`.
  void addProgressAndButtons(QVBoxLayout* layout, const QString& doitText, int helpTopic);
  // Hides `setupPanel`, shows `doing` over the gauge and runs `job`. A job
  // that fails is said as `stopped` and its reason, and the window closes.
  bool runJob(QWidget* setupPanel, const QString& doing, const QString& stopped,
              const std::function<xb::Status(const CleanupProgress&)>& job);
  TableObject* m_table;
};

class TSearchAndReplace : public TBulkChange {
  Q_OBJECT

 public:
  TSearchAndReplace(TableObject* table, bool hasFilter, QWidget* parent = nullptr);

  QComboBox* TargetField;
  QStringList FieldNames;  // the field of each TargetField entry
  QRadioButton* FindExact;
  QRadioButton* FindPartial;
  QLineEdit* FindValue;
  QCheckBox* CaseSensitive;
  QRadioButton* ReplaceWhole;
  QRadioButton* ReplacePartial;
  QLineEdit* ReplaceValue;
  QRadioButton* ReplaceAll;
  QRadioButton* ReplaceFilter;
  QWidget* ValuePanel;

  ReplaceOptions options() const;
  void TargetFieldClick();
  void DoitClick();
  int replaced() const { return m_replaced; }

 private:
  bool ReplaceNow();
  bool m_hasFilter;
  int m_replaced = 0;
};

class TDeleteRecords : public TBulkChange {
  Q_OBJECT

 public:
  TDeleteRecords(TableObject* table, const QString& filter, QWidget* parent = nullptr);

  QRadioButton* DeleteAll;
  QRadioButton* DeleteFilter;
  QRadioButton* DeleteNotFilter;
  QWidget* SetupPanel;

  void DoitClick();
  int deleted() const { return m_deleted; }

 private:
  bool DeleteNow();
  QString m_filter;
  int m_deleted = 0;
};

// "Recall Deleted Records": gives back the records deletion only marked,
// all of them, those matching the main window's filter, or the record the
// main window shows.
class TRecallRecords : public TBulkChange {
  Q_OBJECT

 public:
  // `currentRecno`: the record the main window shows when it is a deleted
  // one, 0 otherwise. It can be: a record given the prefix DELETED by hand
  // stays on screen until the user moves on.
  TRecallRecords(TableObject* table, const QString& filter, int currentRecno = 0,
                 QWidget* parent = nullptr);

  QRadioButton* RecallAll;
  QRadioButton* RecallFilter;
  QRadioButton* RecallCurrent;
  QWidget* SetupPanel;

  void DoitClick();
  int recalled() const { return m_recalled; }

 private:
  QString m_filter;
  int m_currentRecno;
  int m_recalled = 0;
};

}  // namespace qv

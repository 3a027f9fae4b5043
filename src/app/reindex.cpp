#include "app/reindex.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/support_data.h"
#include "store/table_object.h"
#include "ui/dialogs.h"

namespace qv {

namespace {
// The help page of this window.
constexpr int kHelpTopic = 1041;

QString FromView(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

TQVReindex::TQVReindex(TableObject* contacts, TApollo* apollo, const QString& programDirectory,
                       QWidget* parent)
    : QDialog(parent), m_contacts(contacts), m_apollo(apollo), m_directory(programDirectory) {
  if (!m_directory.endsWith(QLatin1Char('/'))) m_directory += QLatin1Char('/');
  setWindowTitle(QStringLiteral("Rebuild indexes for ") +
                 (contacts != nullptr ? contacts->tableName() : QString()));

  // Says what the window will do before anything starts.
  auto* about = new QLabel(
      QStringLiteral("Removes the records marked deleted from this file for good, builds all of "
                     "its indexes anew, and then does the same for the program's own tables."),
      this);
  about->setWordWrap(true);
  about->setMinimumWidth(360);
  WhatAmIDoing = new QLabel(this);
  WhatAmIDoing->setMinimumWidth(320);
  WhatAmIDoing->hide();
  Gauge = new QProgressBar(this);
  Gauge->setRange(0, 100);
  Gauge->hide();
  DoitButton = new QPushButton(QStringLiteral("Reindex"), this);
  DoitButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  HelpButton = new QPushButton(QStringLiteral("Help"), this);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(DoitButton);
  buttons->addWidget(CancelButton);
  buttons->addWidget(HelpButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(about);
  layout->addWidget(WhatAmIDoing);
  layout->addWidget(Gauge);
  layout->addLayout(buttons);

  connect(DoitButton, &QPushButton::clicked, this, &TQVReindex::DoitClick);
  connect(CancelButton, &QPushButton::clicked, this, [this] {
    Gauge->hide();
    reject();
  });
  connect(HelpButton, &QPushButton::clicked, this, [this] { Dialogs().showHelp(this, kHelpTopic); });
}

void TQVReindex::Progress(int percent) {
  Gauge->setValue(std::clamp(percent, 0, 100));
  // The rebuild runs on this thread: let the gauge and label paint.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TQVReindex::DoitClick() {
  Gauge->show();
  DoitButton->setEnabled(false);
  CancelButton->hide();
  HelpButton->hide();
  WhatAmIDoing->show();
  WhatAmIDoing->setText(QStringLiteral("Cleaning out old deleted records"));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  if (m_contacts != nullptr && m_contacts->active() && m_apollo != nullptr) {
    // The old index is closed for the pack (faster without it) and checked
    // first, so the user learns what was damaged; it stays on disk until
    // the new one below is whole.
    const QString index = m_contacts->productionIndexPath();
    if (!m_apollo->CloseIndexes()) {
      Dialogs().information(this, QStringLiteral("The index of the contact file could not be "
                                                  "closed:\n") + m_apollo->LastError());
    }
    const QString damage = m_contacts->indexDamage(index);
    if (!damage.isEmpty()) {
      Dialogs().information(this, QStringLiteral("The index of the contact file was damaged and "
                                                 "is built anew:\n") + damage);
    }

    m_packing = true;
    Gauge->setValue(0);
    m_apollo->SetGaugeHook([this](int p) { Progress(p); });
    if (!m_apollo->Pack()) {
      Dialogs().information(this, QStringLiteral("The contact file could not be packed:\n") +
                                      m_apollo->LastError());
    }
    m_apollo->SetGaugeHook(nullptr);

    WhatAmIDoing->setText(QStringLiteral("Rebuilding indexes"));
    m_packing = false;
    m_apollo->SetGaugeHook([this](int p) { Progress(p); });
    if (!CreateContactTags(*m_contacts, *m_apollo)) {
      Dialogs().information(this, QStringLiteral("The indexes of the contact file could not be built:\n") +
                                      m_apollo->LastError());
    }
    m_apollo->SetGaugeHook(nullptr);
  }

  Gauge->hide();
  for (const SupportTable& t : SupportTables()) {
    WhatAmIDoing->setText(FromView(t.status_text));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    RebuildSupportTable(FromView(t.name), FromView(t.tag), FromView(t.key));
  }

  Gauge->setValue(0);
  DoitButton->setEnabled(true);
  CancelButton->show();
  Gauge->hide();
  accept();
}

void TQVReindex::RebuildSupportTable(const QString& name, const QString& tag, const QString& key) {
  TApolloEnv* env = m_contacts != nullptr ? m_contacts->env() : nullptr;
  TApolloEnv own;
  TableObject TableReindex(env != nullptr ? env : &own);
  TApollo ApolloReindex;
  ApolloReindex.SetDataSource(&TableReindex);
  TableReindex.setDatabaseName(m_directory);
  // Any letter case will do for the table's name.
  QString file = name + QStringLiteral(".DBF");
  for (const QFileInfo& info : QDir(m_directory).entryInfoList(QDir::Files)) {
    if (info.fileName().compare(file, Qt::CaseInsensitive) == 0) file = info.fileName();
  }
  TableReindex.setTableName(file);
  TableReindex.setExclusive(true);
  // A missing or locked table is skipped without a word; the next one goes on.
  if (!TableReindex.open()) return;
  // Packed without its index, which is then replaced whole by the new one.
  if (!ApolloReindex.CloseIndexes() || !ApolloReindex.Pack()) {
    Dialogs().information(this, QStringLiteral("The index of %1 could not be built:\n%2")
                                    .arg(file, ApolloReindex.LastError()));
    (void)TableReindex.close();  // the failure just told is the one that matters
    return;
  }
  xb::Status s = TableReindex.rebuildIndex(tag, key);
  if (!TableReindex.close() && s.ok()) s = TableReindex.failure();
  if (!s.ok()) {
    Dialogs().information(this, QStringLiteral("The index of %1 could not be built:\n%2")
                                    .arg(file, QString::fromStdString(s.message())));
  }
}

}  // namespace qv

// Helpers of the label tests: contact files made in a scratch folder, a
// job host that records what the job said and asked and answers from a
// script, and readers of a run's page stream.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "labels/job_host.h"
#include "render/page_stream.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/contact_schema.h"
#include "store/table_object.h"
#include "xbase/workarea.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace qv::testing {

// Field name to value; fields left out stay blank.
using Contact = std::map<std::string, std::string>;

// A contact file with the given records, open in a table object bound to a
// table access object, in a scratch folder that also serves as program
// directory.
class ContactFixture {
 public:
  ContactFixture() : table(&env) { apollo.SetDataSource(&table); }

  bool make(const std::vector<Contact>& contacts) {
    const std::string path = file("CONTACTS.DBF").toStdString();
    if (!xb::Table::Create(path, ContactFields()).ok()) return false;
    xb::Settings settings;
    std::unique_ptr<xb::WorkArea> area;
    if (!xb::WorkArea::Open(path, xb::OpenOptions(), &settings, &area).ok()) return false;
    for (const Contact& c : contacts) {
      if (!area->Append().ok()) return false;
      for (const auto& [name, value] : c) {
        int i = area->table().FieldIndex(name);
        if (i < 0) return false;
        const bool memo = area->table().fields()[size_t(i)].type == 'M';
        if (!(memo ? area->SetMemo(i, value) : area->SetField(i, value)).ok()) return false;
      }
      if (!area->Commit().ok()) return false;
    }
    if (!RebuildContactIndex(*area, nullptr).ok()) return false;
    area.reset();
    return OpenContactFile(file("CONTACTS.DBF"), table);
  }

  QString dir() const { return m_dir.path() + QLatin1Char('/'); }
  QString file(const QString& name) const { return dir() + name; }

  TApolloEnv env;
  TableObject table;
  TApollo apollo;

 private:
  QTemporaryDir m_dir;
};

// Records notices, questions and progress; answers questions from
// `answers` (Yes when empty) and calls `onEvents` from
// processPendingEvents.
class TestHost : public JobHost {
 public:
  void information(const QString& text) override { notices << text; }
  bool question(const QString& text, bool) override {
    asked << text;
    if (answers.empty()) return true;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void progress(const QString& text) override { progressTexts << text; }
  void processPendingEvents() override {
    ++eventRounds;
    if (onEvents) onEvents(eventRounds);
  }

  QStringList notices, asked, progressTexts;
  std::deque<bool> answers;
  std::function<void(int)> onEvents;
  int eventRounds = 0;
};

// The texts of a page, in drawing order.
inline std::vector<TextOp> TextsOf(const Page& page) {
  std::vector<TextOp> out;
  for (const PageOp& op : page.ops) {
    if (const auto* t = std::get_if<TextOp>(&op)) out.push_back(*t);
  }
  return out;
}

inline std::vector<LineOp> LinesOf(const Page& page) {
  std::vector<LineOp> out;
  for (const PageOp& op : page.ops) {
    if (const auto* l = std::get_if<LineOp>(&op)) out.push_back(*l);
  }
  return out;
}

}  // namespace qv::testing

// Helpers of the label tests: contact files made in a scratch folder, a
// job host that records what the job said and asked and answers from a
// script, and readers of a run's page stream.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <vector>

#include "contact_rows.h"
#include "labels/imb.h"
#include "labels/job_host.h"
#include "page_ops.h"
#include "qstring_print.h"
#include "render/report_canvas.h"
#include "store/apollo.h"
#include "store/contact_file.h"
#include "store/ini_file.h"
#include "store/table_object.h"


namespace qv::testing {

// Field name to value; fields left out stay blank.
using Contact = ContactRow;

// A contact file with the given records, open in a table object bound to a
// table access object, in a scratch folder that also serves as program
// directory.
class ContactFixture {
 public:
  ContactFixture() : table(&env) { apollo.SetDataSource(&table); }

  bool make(const std::vector<Contact>& contacts) {
    return WriteContactRows(file("CONTACTS.DBF").toStdString(), contacts) &&
           OpenContactFile(file("CONTACTS.DBF"), table);
  }

  QString dir() const { return m_dir.path() + QLatin1Char('/'); }
  QString file(const QString& name) const { return dir() + name; }

  TApolloEnv env;
  TableObject table;
  TApollo apollo;

 private:
  QTemporaryDir m_dir;
};

// `n` contacts "Name001", "Name002", ... at one Albany address.
inline std::vector<Contact> NumberedContacts(int n) {
  std::vector<Contact> out;
  for (int i = 0; i < n; ++i) {
    out.push_back(
        {{"LNAME", QStringLiteral("Name%1").arg(i + 1, 3, 10, QLatin1Char('0')).toStdString()},
         {"STREET", "12 Elm St"},
         {"CITY", "Albany"},
         {"STATE", "NY"},
         {"ZIP", "12207"}});
  }
  return out;
}

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

// The pieces of the Intelligent Mail runs: A with a ZIP+4 and a street
// number, B with a Canadian postal code (no bars), C with a 5-digit ZIP;
// and the mailer ID 567094 with the next serial 987654321 in `ini`.
inline const std::vector<Contact> kImbPieces = {
    {{"LNAME", "A"}, {"STREET", "123 MAIN ST"}, {"ZIP", "01234-5678"}},
    {{"LNAME", "B"}, {"STREET", "9 Oak"}, {"ZIP", "K1A 0B1"}},
    {{"LNAME", "C"}, {"STREET", "9 Oak"}, {"ZIP", "01234"}}};
inline bool SaveImbMailer(IniFile& ini) {
  ImbSettings settings;
  settings.mailerId = QStringLiteral("567094");
  settings.nextSerial = 987654321;
  return SaveImbSettings(ini, settings);
}

// The lines `draw` puts on a page of its own, starting with the pen at
// (1, 2) inches.
inline std::vector<LineOp> LinesDrawn(const std::function<void(ReportCanvas&)>& draw) {
  ReportCanvas canvas;
  canvas.setOutputToStream(nullptr);
  canvas.events().OnPrint = [&](ReportCanvas& r) {
    r.moveTo(1.0, 2.0);
    draw(r);
  };
  EXPECT_TRUE(canvas.execute());
  return canvas.pages().pages.empty() ? std::vector<LineOp>() : LinesOf(canvas.pages().pages[0]);
}

// The Intelligent Mail codes drawn on a page, one string of bar states per
// code, read back from each bar's height and its top against the code's top.
inline QStringList ImbCodesOn(const Page& page) {
  QStringList out;
  const std::vector<LineOp> lines = LinesOf(page);
  for (size_t first = 0; first + kImbBarCount <= lines.size(); first += kImbBarCount) {
    double top = lines[first].y1;
    for (int i = 0; i < kImbBarCount; ++i) top = std::min(top, lines[first + i].y1);
    QString code;
    for (int i = 0; i < kImbBarCount; ++i) {
      const LineOp& l = lines[first + i];
      const double h = l.y2 - l.y1;
      code += h > 0.14 ? 'F' : h < 0.05 ? 'T' : std::abs(l.y1 - top) < 1e-6 ? 'A' : 'D';
    }
    out << code;
  }
  return out;
}

}  // namespace qv::testing

#include "labels/label_print.h"

#include <QFile>

#include "labels/address_lines.h"
#include "labels/imb.h"
#include "labels/job_host.h"
#include "labels/postnet.h"
#include "render/report_canvas.h"
#include "store/apollo.h"
#include "store/codepage.h"
#include "store/table_object.h"

namespace qv {

namespace {

void SetUpReport(ReportCanvas& r, const QString& statusFormat) {
  r.setTitle(QStringLiteral("Test Report"));
  r.setStatusFormat(statusFormat);
}

AddressOptions OptionsOf(const LabelSetup& s) {
  AddressOptions o;
  o.name = s.name;
  o.title = s.title;
  o.company = s.company;
  o.street = s.street;
  o.cityState = s.cityState;
  o.zip = s.zip;
  o.phone = s.phone;
  o.country = s.country;
  o.barCode = s.barCode;
  o.zipOption = s.zipOptions;
  o.upperCase = s.upperCase;
  return o;
}

}  // namespace

TLabelPrint::TLabelPrint(TableObject& table, TApollo& apollo, JobHost& host)
    : m_table(table),
      m_apollo(apollo),
      m_host(host),
      m_printReport(std::make_unique<ReportCanvas>()),
      m_fileReport(std::make_unique<ReportCanvas>()) {
  SetUpReport(*m_printReport, QStringLiteral("Printing Page %p"));
  SetUpReport(*m_fileReport, QStringLiteral("Printing page %p"));
  m_fileReport->setOutputToStream(nullptr);
}

TLabelPrint::~TLabelPrint() = default;

void TLabelPrint::setPresort(bool on, const QString& presortFile) {
  m_presort = on;
  m_presortFile = presortFile;
}

QString TLabelPrint::Caption() const {
  return m_printMode ? QStringLiteral("Print Status") : QStringLiteral("Preview Status");
}

QString TLabelPrint::ButtonCaption() const {
  return m_printMode ? QStringLiteral("Cancel") : QStringLiteral("Stop");
}

void TLabelPrint::FormActivate() {
  if (m_running || m_finished) return;
  m_running = true;
  m_stop = false;
  Report().execute();
  m_running = false;
  m_finished = true;
  Report().setStatusFormat(OutcomeText());
}

bool TLabelPrint::Aborted() const {
  return (m_printMode ? m_printReport : m_fileReport)->aborted();
}

QString TLabelPrint::OutcomeText() const {
  return BaseOutcomeText() + BarCodeWarningLines(m_barCodeWarnings, QStringLiteral("labels"));
}

QString TLabelPrint::BaseOutcomeText() const {
  const ReportCanvas& r = m_printMode ? *m_printReport : *m_fileReport;
  if (!r.errorText().isEmpty()) return QStringLiteral("\r") + r.errorText();
  if (r.aborted()) {
    return m_printMode ? QStringLiteral("\rLabel Print Canceled!")
                       : QStringLiteral("\rLabel Preview Canceled!");
  }
  if (m_stop) return QStringLiteral("\rPreview Stopped at page %p!");
  return m_printMode ? QStringLiteral("\rLabel Print Completed!")
                     : QStringLiteral("\rLabel Preview Ready!");
}

void TLabelPrint::CancelButtonClick() {
  if (!m_running) return;
  if (!m_printMode) {
    m_stop = true;
    return;
  }
  if (m_host.question(QStringLiteral("Cancel Label Printing?"), true)) m_printReport->abort();
}

void TLabelPrint::BeforePrintLabels(ReportCanvas& sender) {
  sender.setStatusFormat(QStringLiteral("Printing Page %p\r%0\r%1"));
  sender.clearStatusLines();
  sender.addStatusLine(QString());
  sender.addStatusLine(QString());
}

QString TLabelPrint::CurrentZipKey() const {
  return m_table.fieldText(QStringLiteral("ZIP")).left(5);
}

void TLabelPrint::GetNextSortedZip() {
  for (;;) {
    if (m_presortList.isEmpty()) {
      // The run ends: the table goes past its last record.
      m_apollo.GoBottom();
      if (!m_apollo.Eof()) m_apollo.Skip(1);
      return;
    }
    m_presortLine = m_presortList.takeFirst();
    if (m_presortLine.contains(QLatin1String("**"))) {
      m_apollo.GoTop();
      m_header = true;
      return;
    }
    m_apollo.Seek(m_presortLine);
    if (!m_apollo.Eof() && CurrentZipKey() == m_presortLine) return;
  }
}

void TLabelPrint::AdvanceRecord() {
  m_table.next();
  if (!m_presort) return;
  if (m_header) {
    m_header = false;
    GetNextSortedZip();
  } else if (m_table.eof()) {
    GetNextSortedZip();
  } else if (CurrentZipKey() != m_presortLine) {
    GetNextSortedZip();
  }
}

void TLabelPrint::PrintContactLabel(ReportCanvas& r, int column, int row) {
  const LabelSetup& s = m_setup;
  ComposeAddressLines(m_table, OptionsOf(s), &m_lines);
  for (QString& line : m_lines) {
    if (s.trimText) {
      while (!line.isEmpty() && r.textWidth(line) + double(s.xOffset) > double(s.labelWidth)) {
        line.chop(1);
      }
      if (r.linesLeft() < 1) continue;
    }
    r.println(line);
  }
  if (!s.barCode) return;
  const QString zip = m_table.fieldText(QStringLiteral("ZIP"));
  QString imbBars;
  if (s.intelligentMail) {
    imbBars = ImbPieceBars(m_imb, zip, m_table.fieldText(QStringLiteral("STREET")),
                           double(s.labelWidth) - double(s.xOffset),
                           QStringLiteral("the label is too narrow"), m_apollo.RecNo(),
                           &m_barCodeWarnings);
    if (imbBars.isEmpty()) return;
  } else if (!ZipQualifiesForBarCode(zip)) {
    return;
  }
  r.setOrigin(double(column) * double(s.horizontalPitch) + double(s.leftMargin) + double(s.xOffset),
              double(row) * double(s.verticalPitch) + double(s.topMargin) +
                  (double(s.yOffset) - double(kBarCodeAboveText)));
  r.moveTo(0, 0);
  if (s.intelligentMail) {
    ImbSection(r, imbBars);
    return;
  }
  BarSection(r, BarCodeText(zip, m_table.fieldText(QStringLiteral("STREET"))));
}

void TLabelPrint::PrintLabels(ReportCanvas& r) {
  const LabelSetup& s = m_setup;
  m_header = false;
  m_labels = 0;
  m_lines.clear();
  m_barCodeWarnings.clear();
  if (m_presort) {
    m_presortList.clear();
    QFile file(m_presortFile);
    if (file.open(QIODevice::ReadOnly)) {
      for (QByteArray line : file.readAll().split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (!line.isEmpty()) m_presortList.append(DecodeAnsi(line.toStdString()));
      }
    } else {
      m_host.information(QStringLiteral("Unable to read the presort file %1").arg(m_presortFile));
    }
    GetNextSortedZip();
  }
  r.setFont(s.fontName, s.fontSize);
  r.setBold(s.bold);
  r.setItalic(s.italic);
  r.setMarginLeft(0);
  r.setMarginTop(0);

  const int across = s.across < 1 ? 1 : s.across;
  const int down = s.down < 1 ? 1 : s.down;
  int column = 0, row = 0, copiesDone = 0;
  while (!m_table.eof() && !m_stop && !r.aborted() && r.errorText().isEmpty()) {
    if (row + 1 > down) {
      row = 0;
      column = 0;
      r.newPage();
    }
    r.setOrigin(
        double(column) * double(s.horizontalPitch) + double(s.leftMargin) + double(s.xOffset),
        double(row) * double(s.verticalPitch) + double(s.topMargin) + double(s.yOffset));
    r.setSectionLeft(0);
    r.setSectionTop(0);
    r.setSectionRight(double(s.labelWidth) - double(s.xOffset));
    r.setSectionBottom(double(s.labelHeight) - double(s.yOffset));
    r.home();
    if (m_header) {
      r.println(m_presortLine);
    } else {
      PrintContactLabel(r, column, row);
      ++copiesDone;
    }
    ++m_labels;
    if (++column >= across) {
      column = 0;
      ++row;
    }
    if (m_header || copiesDone >= m_copies) {
      AdvanceRecord();
      copiesDone = 0;
      m_host.processPendingEvents();
    }
  }
  r.setOrigin(0, 0);
  m_lines.clear();
  m_presortList.clear();
}

}  // namespace qv

#include "labels/label_print.h"

#include <QFile>
#include <algorithm>

#include "labels/address_lines.h"
#include "labels/imb.h"
#include "labels/label_fit.h"
#include "labels/job_host.h"
#include "labels/postnet.h"
#include "labels/sort_bulk_mail.h"
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

}  // namespace

TLabelPrint::TLabelPrint(TableObject& table, TApollo& apollo, JobHost& host)
    : PrintJob(host, QStringLiteral("Cancel Label Printing?")), m_table(table), m_apollo(apollo) {
  SetUpReport(*m_printReport, QStringLiteral("Printing Page %p"));
  SetUpReport(*m_fileReport, QStringLiteral("Printing page %p"));
}

TLabelPrint::~TLabelPrint() = default;

void TLabelPrint::setPresort(bool on, const QString& presortFile) {
  m_presort = on;
  m_presortFile = presortFile;
}

QString TLabelPrint::OutcomeText() const {
  return BaseOutcomeText() + BarCodeWarningLines(m_barCodeWarnings, QStringLiteral("labels"));
}

bool TLabelPrint::TableFailed() const { return m_table.failed(); }

QString TLabelPrint::BaseOutcomeText() const {
  if (TableFailed()) return QStringLiteral("\r") + m_table.failureMessage();
  return OutcomeLine(QStringLiteral("Label "), QStringLiteral("\rPreview Stopped at page %p!"));
}

void TLabelPrint::BeforePrintLabels(ReportCanvas& sender) { StartStatusLines(sender); }

QString TLabelPrint::CurrentZipKey() const {
  // Foreign keys are listed in capitals, as the ZIP tag keeps them.
  return m_table.fieldText(QStringLiteral("ZIP")).left(5).toUpper();
}

bool TLabelPrint::SkipToGroupRecord() {
  // A key may stand for US records in a ZIP group and for foreign ones
  // under "** Unknown": each record prints in its own group only.
  while (!m_table.eof() && CurrentZipKey() == m_presortLine) {
    const bool foreign = IsForeignCountry(m_table.fieldText(QStringLiteral("COUNTRY")));
    if (foreign ? m_unknownGroup : !m_unknownGroup || !m_groupedKeys.contains(m_presortLine)) {
      return true;
    }
    // A failed move stands at the end and is kept: the loop ends on it.
    if (!m_table.next()) return false;
  }
  return false;
}

void TLabelPrint::GetNextSortedZip() {
  for (;;) {
    // A failed move left the table at its end: the run ends there.
    if (m_table.failed()) return;
    if (m_presortList.isEmpty()) {
      // The run ends: the table goes past its last record.
      // A failure here is kept by the table, which the run reads.
      if (m_apollo.GoBottom() && !m_apollo.Eof()) (void)m_apollo.Skip(1);
      return;
    }
    m_presortLine = m_presortList.takeFirst();
    if (m_presortLine.contains(QLatin1String("**"))) {
      if (!m_apollo.GoTop()) return;  // kept by the table; the run ends
      m_header = true;
      m_unknownGroup = m_presortLine == QLatin1String(kUnknownPresortHeader);
      return;
    }
    // Found or not, the group starts where the seek stands; a failed seek
    // is kept by the table and ends the run at the loop's top.
    (void)m_apollo.Seek(m_presortLine);
    if (!m_table.failed() && !m_apollo.Eof() && SkipToGroupRecord()) return;
  }
}

void TLabelPrint::AdvanceRecord() {
  // A failed move is kept by the table; the run aborts on it.
  if (!m_table.next() || !m_presort) return;
  if (m_header) {
    m_header = false;
    GetNextSortedZip();
  } else if (!SkipToGroupRecord()) {
    GetNextSortedZip();
  }
}

void TLabelPrint::PrintContactLabel(ReportCanvas& r, int column, int row) {
  const LabelSetup& s = m_setup;
  if (!s.trimText) {
    ComposeAddressLines(m_table, s.address, &m_lines);
    for (const QString& line : m_lines) r.println(line);
  } else {
    const std::vector<FittedLine> lines =
        FitAddressBlock(AddressFieldsOf(m_table), s.address, s.fontSize,
                        double(s.labelWidth) - double(s.xOffset),
                        double(s.labelHeight) - double(s.yOffset), CanvasMeasure(r));
    // Each line's top where the one above ends: a shrunk line takes less.
    double top = r.sectionTop();
    for (const FittedLine& line : lines) {
      r.setFontSize(line.points);
      r.gotoXY(r.sectionLeft(), top + r.ascent());
      r.print(line.text);
      top += r.lineHeight();
    }
    r.setFontSize(s.fontSize);
  }
  if (!s.address.barCode) return;
  const QString zip = m_table.fieldText(QStringLiteral("ZIP"));
  if (IsForeignCountry(m_table.fieldText(QStringLiteral("COUNTRY")))) return;
  QString imbBars;
  if (s.intelligentMail) {
    imbBars = ImbPieceBars(m_imb, zip, m_table.fieldText(QStringLiteral("STREET")),
                           double(s.labelWidth) - double(s.xOffset),
                           QStringLiteral("the label is too narrow"), m_apollo.RecNo(),
                           &m_barCodeWarnings);
    if (imbBars.isEmpty()) return;
  } else if (!AddressGetsUsBarCode(zip, m_table.fieldText(QStringLiteral("COUNTRY")))) {
    return;
  }
  const LabelCorner corner = LabelOrigin(s, column, row);
  r.setOrigin(corner.left + double(s.xOffset),
              corner.top + (double(s.yOffset) - double(kBarCodeAboveText)));
  r.moveTo(0, 0);
  if (s.intelligentMail) {
    ImbSection(r, imbBars);
    return;
  }
  BarSection(r, BarCodeText(zip, m_table.fieldText(QStringLiteral("STREET"))));
}

void TLabelPrint::PrintAlignmentPage(ReportCanvas& r) {
  const LabelSetup& s = m_setup;
  r.setOrigin(0, 0);
  r.resetPen();
  r.clearBrush();
  // The outline of each label and a cross where its text starts, numbered
  // in the order the labels fill, so the start label can be read off.
  constexpr double kCross = 0.06;
  int number = 0;
  for (int row = 0; row < std::max(1, s.down); ++row) {
    for (int column = 0; column < std::max(1, s.across); ++column) {
      const auto [left, top] = LabelOrigin(s, column, row);
      r.rectangle(left, top, left + double(s.labelWidth), top + double(s.labelHeight));
      const double x = left + double(s.xOffset), y = top + double(s.yOffset);
      r.moveTo(x - kCross, y);
      r.lineTo(x + kCross, y);
      r.moveTo(x, y - kCross);
      r.lineTo(x, y + kCross);
      r.gotoXY(x + kCross * 2, y + r.ascent());
      r.print(QString::number(++number));
    }
  }
  m_labels = number;
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
    m_groupedKeys.clear();
    bool unknown = false;
    for (const QString& line : m_presortList) {
      if (line.startsWith(QLatin1String("**"))) {
        unknown = line == QLatin1String(kUnknownPresortHeader);
      } else if (!unknown) {
        m_groupedKeys.insert(line);
      }
    }
    m_unknownGroup = false;
    GetNextSortedZip();
  }
  r.setFont(s.fontName, s.fontSize);
  r.setBold(s.bold);
  r.setItalic(s.italic);
  r.setMarginLeft(0);
  r.setMarginTop(0);

  const int across = s.across < 1 ? 1 : s.across;
  const int down = s.down < 1 ? 1 : s.down;
  if (m_alignment) {
    PrintAlignmentPage(r);
    return;
  }
  // The positions before the start label were used on an earlier run.
  const int skipped = std::min(m_startLabel, across * down) - 1;
  int column = skipped % across, row = skipped / across, copiesDone = 0;
  while (!m_table.eof() && !m_stop && !r.aborted() && r.errorText().isEmpty()) {
    if (row + 1 > down) {
      row = 0;
      column = 0;
      r.newPage();
    }
    const LabelCorner corner = LabelOrigin(s, column, row);
    r.setOrigin(corner.left + double(s.xOffset), corner.top + double(s.yOffset));
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
  // Labels up to a record that could not be read are no finished run.
  if (m_table.failed()) r.abort();
  r.setOrigin(0, 0);
  m_lines.clear();
  m_presortList.clear();
}

}  // namespace qv

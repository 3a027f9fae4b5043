#include "reports/user_report.h"

#include <QColor>
#include <cmath>

#include "labels/job_host.h"
#include "render/report_canvas.h"
#include "store/dates.h"
#include "store/table_object.h"
#include "xbase/workarea.h"

namespace qv {

using namespace user_report;

namespace {

struct LayoutSpec {
  double tabs[4];
  double fontSize;
  double headingsBelowTop;  // where the column headings start, below the top margin
};

// Layouts 1 to 4.
constexpr LayoutSpec kLayouts[4] = {
    {{1.75, 2.15, 2.0, 1.5}, 9, 0.8},
    {{2.0, 2.5, 1.5, 1.35}, 9, 0.8},
    {{2.5, 2.0, 1.5, 1.35}, 9, 0.8},
    {{0.5, 2.25, 3.0, 1.5}, 8, 0.5},
};

const LayoutSpec& Spec(int layout) { return kLayouts[layout - 1]; }

QString TrimLeft(const QString& s) {
  qsizetype i = 0;
  while (i < s.size() && s[i] == QLatin1Char(' ')) ++i;
  return s.mid(i);
}

QString MiddlePart(const FieldReader& f) {
  const QString middle = f(QStringLiteral("MIDDLE"));
  return middle.isEmpty() ? QString() : middle + QLatin1Char('.');
}

}  // namespace

QString RowName(const FieldReader& f) {
  return TrimLeft(f(QStringLiteral("LNAME")) + QStringLiteral(", ")) +
         TrimLeft(f(QStringLiteral("FNAME")) + QLatin1Char(' ')) + TrimLeft(MiddlePart(f));
}

QString CityCell1(const FieldReader& f) {
  QString out;
  const QString city = f(QStringLiteral("CITY")), state = f(QStringLiteral("STATE")),
                zip = f(QStringLiteral("ZIP"));
  if (!city.isEmpty()) out += city + QStringLiteral(", ");
  if (!state.isEmpty()) out += state + QStringLiteral("  ");
  if (!zip.isEmpty()) out += zip + QLatin1Char(' ');
  return out;
}

QString NameCell4(const FieldReader& f) {
  const QString last = f(QStringLiteral("LNAME")), first = f(QStringLiteral("FNAME")),
                prefix = f(QStringLiteral("PREFIX"));
  if (last.isEmpty()) return QString();
  QString out = TrimLeft(last);
  if (!(last + first).isEmpty()) out += QStringLiteral(", ");
  if (!(prefix + first).isEmpty()) out += prefix + QLatin1Char(' ');
  return out + TrimLeft(first + QLatin1Char(' ')) + TrimLeft(MiddlePart(f));
}

QString TitleOrgCell4(const FieldReader& f) {
  const QString title = f(QStringLiteral("TITLE")), org = f(QStringLiteral("ORG"));
  if (!org.isEmpty() && !title.isEmpty()) return title + QStringLiteral(", ") + org;
  return org;
}

QString CityCell4(const FieldReader& f) {
  QString out = f(QStringLiteral("CITY"));
  const QString state = f(QStringLiteral("STATE")), zip = f(QStringLiteral("ZIP"));
  if (!state.isEmpty()) out += QStringLiteral(", ") + state;
  if (!zip.isEmpty()) out += QStringLiteral(", ") + zip;
  return out;
}

QString PhoneCell4(const FieldReader& f) {
  QString out;
  const QString phone = f(QStringLiteral("PHONE")), fax = f(QStringLiteral("FAX"));
  if (!phone.isEmpty()) out += QStringLiteral("Ph: ") + phone + QStringLiteral("  ");
  if (!fax.isEmpty()) out += QStringLiteral("Fax: ") + fax + QStringLiteral("  ");
  return out;
}

QStringList WrapMemoLines(const QString& memo, double width,
                          const std::function<double(const QString&)>& measure) {
  QString text = memo;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  QStringList lines;
  if (text.isEmpty()) return lines;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    if (measure(paragraph) <= width) {
      lines << paragraph;
      continue;
    }
    QString current;
    for (const QString& word : paragraph.split(QLatin1Char(' '))) {
      const QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
      if (measure(candidate) <= width) {
        current = candidate;
        continue;
      }
      if (!current.isEmpty()) lines << current;
      current = word;
      // A word wider than the control is broken where the width ends.
      while (current.size() > 1 && measure(current) > width) {
        qsizetype fit = 1;
        while (fit + 1 < current.size() && measure(current.left(fit + 1)) <= width) ++fit;
        lines << current.left(fit);
        current = current.mid(fit);
      }
    }
    lines << current;
  }
  if (lines.size() == 1 && lines[0].trimmed().isEmpty()) lines.clear();
  return lines;
}

QStringList ReportLayoutNames() {
  return {QStringLiteral("1. Name,Address,City,State,Zip,Phone"),
          QStringLiteral("2. Name,Organization,Phone,Fax"),
          QStringLiteral("3. Organization,Name,Phone,Fax "),
          QStringLiteral("4. All fields (takes several lines)")};
}

QString ReportLayoutTag(int layout) {
  return layout == 3 ? QStringLiteral("ORG") : QStringLiteral("LNAME");
}

// ---- TUserReportPrint

TUserReportPrint::TUserReportPrint(TableObject& table, JobHost& host)
    : PrintJob(host, QStringLiteral("Cancel Report Printing?")), m_table(table) {
  for (ReportCanvas* r : {m_printReport.get(), m_fileReport.get()}) {
    r->setTitle(QStringLiteral("Quorvane Report"));
    r->events().OnBeforePrint = [this](ReportCanvas& s) { BeforePrintReport(s); };
    r->events().OnPrint = [this](ReportCanvas& s) { PrintReport(s, m_layout); };
  }
}

TUserReportPrint::~TUserReportPrint() = default;

void TUserReportPrint::setOrientation(Orientation o) {
  m_orientation = o;
  m_printReport->setOrientation(o);
  m_fileReport->setOrientation(o);
}

QString TUserReportPrint::OutcomeText() const {
  return OutcomeLine(QStringLiteral("Report "), QStringLiteral("\rPreview Stopped at page %p!"));
}

void TUserReportPrint::BeforePrintReport(ReportCanvas& r) {
  r.setOrientation(m_orientation);
  r.setMarginRight(kRightMargin);
  r.setMarginBottom(kBottomMargin);
  StartStatusLines(r);
}

QString TUserReportPrint::Field(const QString& name) const { return m_table.fieldText(name); }

void TUserReportPrint::PageSetup(ReportCanvas& r) {
  const LayoutSpec& spec = Spec(m_layout);
  r.setMarginLeft(kLeftMargin);
  r.setFont(QStringLiteral("Arial"), spec.fontSize);
  r.setBold(false);
  r.setItalic(false);
  r.setSectionTop(r.marginTop() + kBodyBelowTop);
  r.setSectionBottom(r.pageHeight() - r.marginBottom() - kBodyBelowTop);
  r.setSectionLeft(r.marginLeft());
  r.setSectionRight(r.pageWidth() - r.marginLeft());
  // The memo control is sized in whole screen pixels.
  m_memoWidth =
      std::floor((r.sectionRight() - r.sectionLeft() - kMemoSlack) * kScreenPixelsPerInch) /
      kScreenPixelsPerInch;
  r.clearTabs();
  for (int i = 0; i < 4; ++i) {
    r.setTab(i == 0 ? r.marginLeft() : kTabFollows, TabJustify::Left, spec.tabs[i], kTabMargin,
             BoxNone, 0);
  }
  HeaderFooter(r);
}

void TUserReportPrint::HeaderFooter(ReportCanvas& r) {
  r.resetSection();
  r.setFont(QStringLiteral("Times New Roman"), 14);
  r.setBold(true);
  r.home();
  r.print(m_title);
  r.printRight(QStringLiteral("Page ") + QString::number(r.currentPage()), r.sectionRight());
  r.newLine();
  r.printRight(FormatDate(m_date.isValid() ? m_date : QDate::currentDate()), r.sectionRight());

  r.setFont(QStringLiteral("Arial"), 9);
  r.setBold(true);
  r.gotoXY(kLeftMargin, r.marginTop() + Spec(m_layout).headingsBelowTop);
  r.newLine();
  auto headings = [&r](std::initializer_list<const char*> texts) {
    for (const char* t : texts) r.printTab(QString::fromLatin1(t));
  };
  switch (m_layout) {
    case 1:
      headings({"Name", "Address", "City/St/Zip", "Phone"});
      break;
    case 2:
      headings({"Name", "Organization", "Phone", "Fax"});
      break;
    case 3:
      headings({"Organization", "Name", "Phone", "Fax"});
      break;
    default:
      headings({"Name", "", "Title and Organization"});
      r.newLine();
      r.nextTab();
      headings({"Street", "City/State/Zip", "Country"});
      r.newLine();
      r.nextTab();
      headings({"Phone,Fax", "Email", "Date"});
      break;
  }
  r.setBold(false);
  r.setItalic(false);
  const double ruleY = r.marginTop() + kBodyBelowTop;
  r.setSectionTop(ruleY + kBodyBelowRule);
  r.setSectionBottom(r.pageHeight() - r.marginBottom() - 0.5 + kBodyBelowRule);
  r.setSectionLeft(r.marginLeft());
  r.setSectionRight(r.pageWidth() - r.marginLeft() + r.marginRight());
  r.moveTo(r.sectionLeft(), ruleY);
  r.lineTo(r.sectionRight(), ruleY);
  r.moveTo(r.sectionLeft(), r.sectionBottom());
  r.lineTo(r.sectionRight(), r.sectionBottom());
  r.home();
}

void TUserReportPrint::NewPageWithHeader(ReportCanvas& r) {
  r.newPage();
  HeaderFooter(r);
}

void TUserReportPrint::DoTextRect(ReportCanvas& r, const QString& text, double width) {
  if (r.currentTab() < 0 || text.isEmpty()) return;
  const double left = r.tabLeft(r.currentTab());
  r.setCursorX(left);
  r.textRect(QRectF(left, r.lineTop(), width - kClipSlack, r.lineHeight()), left, text);
}

void TUserReportPrint::SetFullWidthTab(ReportCanvas& r, int shade) {
  r.saveTabs();
  r.clearTabs();
  r.setTab(r.marginLeft(), TabJustify::Left, r.sectionRight() - r.sectionLeft(), kTabMargin,
           BoxNone, shade);
}

void TUserReportPrint::HandleCodesAndMemo(ReportCanvas& r) {
  const QString codes = Field(QStringLiteral("NOTES"));
  if (m_printCodes && !codes.isEmpty()) {
    if (r.linesLeft() < 1) NewPageWithHeader(r);
    SetFullWidthTab(r, kCodesShade);
    r.nextTab();
    r.print(QStringLiteral("Codes: ") + codes);
    r.newLine();
    r.restoreTabs();
  }
  if (!m_printMemo) return;
  const QStringList lines =
      WrapMemoLines(Field(QStringLiteral("MEMO")), m_memoWidth,
                    [&r](const QString& s) { return r.textWidth(s); });
  if (lines.isEmpty()) return;
  SetFullWidthTab(r, kMemoShade);
  for (const QString& line : lines) {
    // Also before the first line: the row may have taken the body's last line.
    if (r.linesLeft() < 1) {
      r.restoreTabs();
      NewPageWithHeader(r);
      SetFullWidthTab(r, kMemoShade);
    }
    r.nextTab();
    r.print(line);
    r.newLine();
  }
  r.restoreTabs();
}

void TUserReportPrint::PrintRow(ReportCanvas& r) {
  const FieldReader f = [this](const QString& name) { return Field(name); };
  auto cell = [&](const QString& text, double width) {
    r.nextTab();
    DoTextRect(r, text, width);
  };
  switch (m_layout) {
    case 1:
      cell(RowName(f), 1.75);
      cell(Field(QStringLiteral("STREET")), 2.15);
      cell(CityCell1(f), 2.0);
      cell(Field(QStringLiteral("PHONE")), 1.5);
      r.newLine();
      break;
    case 2:
      cell(RowName(f), 2.0);
      cell(Field(QStringLiteral("ORG")), 2.5);
      cell(Field(QStringLiteral("PHONE")), 1.5);
      cell(Field(QStringLiteral("FAX")), 1.35);
      r.newLine();
      break;
    case 3:
      cell(Field(QStringLiteral("ORG")), 2.5);
      cell(RowName(f), 2.0);
      cell(Field(QStringLiteral("PHONE")), 1.5);
      cell(Field(QStringLiteral("FAX")), 1.35);
      r.newLine();
      break;
    default:
      r.nextTab();  // the gutter
      cell(NameCell4(f), 2.75);
      cell(TitleOrgCell4(f), 4.5);
      r.newLine();
      r.nextTab();
      cell(Field(QStringLiteral("STREET")), 2.25);
      cell(CityCell4(f), 3.0);
      cell(Field(QStringLiteral("COUNTRY")), 1.5);
      r.newLine();
      r.nextTab();
      cell(PhoneCell4(f), 2.25);
      cell(Field(QStringLiteral("EMAIL")), 3.0);
      cell(Field(QStringLiteral("DATE")), 1.5);
      r.newLine();
      break;
  }
}

void TUserReportPrint::PrintReport(ReportCanvas& r, int layout) {
  m_layout = layout;
  m_records = 0;
  m_readError.clear();
  PageSetup(r);
  const int linesNeeded = m_layout == 4 ? 3 : 1;
  while (!m_table.eof() && !m_stop && !r.aborted() && r.errorText().isEmpty()) {
    if (r.linesLeft() < linesNeeded) NewPageWithHeader(r);
    r.setBold(false);
    PrintRow(r);
    HandleCodesAndMemo(r);
    // A memo that cannot be read printed as blank: the run stops on it.
    if (m_table.failed()) {
      m_readError = m_table.failureMessage();
      r.abort();
      break;
    }
    if (m_layout == 4 && r.linesLeft() >= 4) {
      r.setPen(QColor(0xC0, 0xC0, 0xC0), PenStyle::Solid, 1, PenMode::Copy);
      r.moveTo(r.sectionLeft(), r.cursorY());
      r.lineTo(r.pageWidth() - r.marginLeft() + r.marginRight(), r.cursorY());
      r.resetPen();
      r.newLine();
    }
    ++m_records;
    if (!m_table.next()) {
      m_readError = m_table.failureMessage();
      r.abort();
      break;
    }
    m_host.processPendingEvents();
  }
  m_table.resync();
}

}  // namespace qv

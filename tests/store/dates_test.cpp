// Dates as the screens show and take them in each of the short formats the
// Preferences offer, the empty date box of an edit mask, and dates as the
// DBF stores them.
#include "store/dates.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

DateConvention Convention(const char* fmt, char sep) {
  DateConvention c;
  c.separator = QLatin1Char(sep);
  c.shortDateFmt = QString::fromLatin1(fmt);
  return c;
}

// 9 July 2004: day and month differ, so a swap shows.
struct FormatCase {
  const char* fmt;
  char sep;
  const char* text;
};
const FormatCase kFormats[] = {
    {"mm/dd/yy", '/', "07/09/04"}, {"mm/dd/yyyy", '/', "07/09/2004"},
    {"dd/mm/yy", '/', "09/07/04"}, {"dd/mm/yyyy", '/', "09/07/2004"},
    {"dd.mm.yy", '.', "09.07.04"}, {"dd.mm.yyyy", '.', "09.07.2004"},
    {"yy.mm.dd", '.', "04.07.09"}, {"yyyy.mm.dd", '.', "2004.07.09"},
    {"yy/mm/dd", '/', "04/07/09"}, {"yyyy/mm/dd", '/', "2004/07/09"},
    {"mm-dd-yy", '-', "07-09-04"}, {"mm-dd-yyyy", '-', "07-09-2004"},
};

TEST(DatesTest, EveryShortFormatFormatsAndParses) {
  const QDate date(2004, 7, 9);
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(c.fmt);
    const DateConvention conv = Convention(c.fmt, c.sep);
    const QString text = QString::fromLatin1(c.text);
    EXPECT_EQ(FormatDate(date, conv), text);
    // Blanks around the text are fine.
    for (const QString& typed : {text, " " + text + " "}) {
      QDate back;
      EXPECT_EQ(ParseDate(typed, &back, conv) ? back : QDate(), date) << typed.toStdString();
    }
    // Round trip through the program-wide convention.
    const DateConvention saved = ProgramDates();
    ProgramDates() = conv;
    QDate back;
    const QDate other(1999, 12, 31);
    EXPECT_EQ(ParseDate(FormatDate(other), &back) ? back : QDate(), other);
    ProgramDates() = saved;
  }
}

// A two-digit year falls in the hundred years that end twenty years from now.
TEST(DatesTest, TwoDigitYearsFollowTheWindow) {
  const int last = QDate::currentDate().year() + 20;
  for (const int year : {last, last + 1 - 100}) {
    QDate d;
    ASSERT_TRUE(ParseDate(QStringLiteral("01/01/%1").arg(year % 100, 2, 10, QLatin1Char('0')), &d,
                          Convention("mm/dd/yy", '/')));
    EXPECT_EQ(d.year(), year);
  }
}

TEST(DatesTest, InvalidDatesAreRefused) {
  struct Case {
    const char* fmt;
    char sep;
    const char* text;
  };
  const Case cases[] = {
      {"dd/mm/yyyy", '/', "31/02/2004"},  {"mm/dd/yyyy", '/', "02/29/1900"},  // no leap year
      {"mm/dd/yyyy", '/', "13/01/2004"},  {"dd.mm.yyyy", '.', "01.13.2004"},
      {"mm/dd/yyyy", '/', "00/10/2004"},  {"mm/dd/yyyy", '/', "1a/02/2004"},
      {"mm/dd/yyyy", '/', "01/02"},       {"mm/dd/yyyy", '/', "01/02/2004/05"},
      {"mm/dd/yyyy", '/', "01.02.2004"},  {"mm/dd/yyyy", '/', "01/02/204"},
      {"mm/dd/yyyy", '/', "-1/02/2004"},  {"mm/dd/yyyy", '/', "  /  /    "},
      {"mm/dd/yyyy", '/', ""},
  };
  for (const Case& c : cases) {
    QDate d;
    EXPECT_FALSE(ParseDate(QString::fromLatin1(c.text), &d, Convention(c.fmt, c.sep)))
        << c.fmt << " " << c.text;
  }
  // Leap days and single digits are fine.
  const Case good[] = {{"mm/dd/yyyy", '/', "02/29/2000"}, {"mm/dd/yyyy", '/', "7/9/2004"},
                       {"yyyy.mm.dd", '.', "2004.7.9"}};
  for (const Case& c : good) {
    QDate d;
    EXPECT_EQ(ParseDate(QString::fromLatin1(c.text), &d, Convention(c.fmt, c.sep)) ? d.day() : -1,
              c.text[0] == '0' ? 29 : 9)
        << c.text;
  }
}

TEST(DatesTest, BlankDateTextOfEachMaskIsAnEmptyDate) {
  struct Case {
    const char* mask;
    const char* blank;
  };
  const Case cases[] = {
      {"!99/99/9999;1;_", "  /  /    "}, {"!99/99/99;1;", "  /  /  "},
      {"!99.99.9999;1;_", "  .  .    "}, {"!9999.99.99;1;_", "    .  .  "},
      {"!99-99-9999;1;_", "  -  -    "}, {"00/00/0000;0;_", "  /  /    "},
      {"!99/99/9999", "  /  /    "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BlankDateText(QString::fromLatin1(c.mask)), QString::fromLatin1(c.blank)) << c.mask;
  }
  // Such a text is an empty date in its own format only.
  const DateConvention us = Convention("mm/dd/yyyy", '/');
  EXPECT_TRUE(IsBlankDateText(QString(), us));
  EXPECT_TRUE(IsBlankDateText(BlankDateText(QStringLiteral("!99/99/9999;1;_")), us));
  EXPECT_FALSE(IsBlankDateText(QStringLiteral("12/  /2004"), us));
  EXPECT_FALSE(IsBlankDateText(QStringLiteral("  .  .    "), us));  // another format's box
  EXPECT_TRUE(IsBlankDateText(QStringLiteral("  .  .    "), Convention("dd.mm.yyyy", '.')));
}

TEST(DatesTest, DbfDatesBothWays) {
  const std::pair<QDate, const char*> stored[] = {{QDate(2004, 7, 9), "20040709"},
                                                  {QDate(2000, 2, 29), "20000229"},
                                                  {QDate(1899, 12, 31), "18991231"},
                                                  {QDate(9999, 12, 31), "99991231"}};
  for (const auto& [date, dtos] : stored) {
    EXPECT_EQ(DtosFromDate(date), dtos);
    EXPECT_EQ(DateFromDtos(dtos), date) << dtos;
  }
  // The day-count zero and anything before it store as an empty date, and
  // eight digits cannot hold a five-digit year.
  for (const QDate& date : {QDate(1899, 12, 30), QDate(1899, 12, 29), QDate(1, 1, 1), QDate(),
                            QDate(10000, 1, 1)}) {
    EXPECT_EQ(DtosFromDate(date), "        ") << date.toString(Qt::ISODate).toStdString();
  }
  for (const char* bad : {"        ", "", "2004070", "200407091", "20040231", "20041301",
                          "2004-7-9", "00000000", "2004070 "}) {
    EXPECT_FALSE(DateFromDtos(bad).isValid()) << "'" << bad << "'";
  }
  EXPECT_EQ(FormatDate(QDate(), Convention("mm/dd/yyyy", '/')), QString());
}

}  // namespace
}  // namespace qv

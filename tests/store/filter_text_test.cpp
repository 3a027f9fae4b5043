// The Filter page's text turned into conditions: every worked example of
// the filter rules text for text and the edges of each rule. What the
// conditions count is the engine's, compared with the checker there.
#include "store/filter_text.h"

#include <gtest/gtest.h>

#include "store_test_util.h"

namespace qv::testing {
namespace {

const QString kQ = QStringLiteral("\"");

TEST(ParseFieldCondition, TextForText) {
  struct Case {
    const char* field;
    const char* text;
    const char* want;
  };
  const Case cases[] = {
      // The worked examples of the last-name box.
      {"LNAME", "brown", R"(UPPER(LNAME)="BROWN")"},
      {"LNAME", ">M", R"(UPPER(LNAME)>"M")"},
      {"LNAME", "$son", R"("SON"$UPPER(LNAME))"},
      {"LNAME", "brown;jones", R"(((UPPER(LNAME)="BROWN").or.(UPPER(LNAME)="JONES")))"},
      {"LNAME", "b^brown", R"(((UPPER(LNAME)="B").and..not.(UPPER(LNAME)="BROWN")))"},
      // Two-character operators are tried before their one-character heads.
      {"LNAME", ">=m", R"(UPPER(LNAME)>="M")"},
      {"LNAME", "<=m", R"(UPPER(LNAME)<="M")"},
      {"LNAME", "<m", R"(UPPER(LNAME)<"M")"},
      {"CITY+STATE", "denver", R"(UPPER(CITY+STATE)="DENVER")"},
      // Only the leading operator counts; a later one is part of the value.
      {"NOTES", "a>b", R"(UPPER(NOTES)="A>B")"},
      {"NOTES", "=x", R"(UPPER(NOTES)="=X")"},
      // "+" joins with .and.; ";" splits before "+", which splits the parts.
      {"NOTES", "$vip+$club", R"((("VIP"$UPPER(NOTES)).and.("CLUB"$UPPER(NOTES))))"},
      {"LNAME", "a+b;c",
       R"(((((UPPER(LNAME)="A").and.(UPPER(LNAME)="B"))).or.(UPPER(LNAME)="C")))"},
      {"LNAME", "a^b+c",
       R"(((((UPPER(LNAME)="A").and..not.(UPPER(LNAME)="B"))).and.(UPPER(LNAME)="C")))"},
      // Empty parts take part like the others.
      {"LNAME", "a;", R"(((UPPER(LNAME)="A").or.(UPPER(LNAME)="")))"},
      {"FNAME", "^s", R"(((UPPER(FNAME)="").and..not.(UPPER(FNAME)="S")))"},
      // The text is used as typed: blanks stay.
      {"LNAME", " brown ", R"(UPPER(LNAME)=" BROWN ")"},
      // Capitals as the engine makes them: only a-z change.
      {"CITY+STATE", "z\u00fcrich", "UPPER(CITY+STATE)=\"Z\u00fcRICH\""},
      // A typed double quote changes the delimiter instead of breaking the condition.
      {"ORG", "say \"hi\"", R"(UPPER(ORG)='SAY "HI"')"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseFieldCondition(QString::fromLatin1(c.field), QString::fromUtf8(c.text)),
              QString::fromUtf8(c.want))
        << c.text;
  }
  // The value keeps at most 99 characters.
  const QString typed = QString(120, QLatin1Char('a'));
  EXPECT_EQ(ParseFieldCondition(QStringLiteral("LNAME"), QStringLiteral("$") + typed),
            kQ + QString(99, QLatin1Char('A')) + kQ + QStringLiteral("$UPPER(LNAME)"));
  EXPECT_EQ(ParseFieldCondition(QStringLiteral("LNAME"), QStringLiteral(">=") + typed),
            QStringLiteral("UPPER(LNAME)>=") + kQ + QString(99, QLatin1Char('A')) + kQ);
}

TEST(ParseDateCondition, OperatorsAndDates) {
  struct Case {
    const char* format;
    const char* text;
    const char* want;  // null: not a date
  };
  const Case cases[] = {
      {"mm/dd/yyyy", "01/02/2003", R"(DTOS(DATE)="20030102")"},
      {"mm/dd/yyyy", ">=01/02/2003", R"(DTOS(DATE)>="20030102")"},
      {"mm/dd/yyyy", "<=1/2/2003", R"(DTOS(DATE)<="20030102")"},
      {"mm/dd/yyyy", ">12/31/1999", R"(DTOS(DATE)>"19991231")"},
      {"mm/dd/yyyy", "<01/02/2003", R"(DTOS(DATE)<"20030102")"},
      {"mm/dd/yyyy", "$01/02/2003", R"(DTOS(DATE)="20030102")"},
      {"dd/mm/yyyy", "13/01/2003", R"(DTOS(DATE)="20030113")"},
      {"mm/dd/yyyy", "13/01/2003", nullptr},
      {"mm/dd/yyyy", ">=", nullptr},
      {"mm/dd/yyyy", "=01/02/2003", nullptr},  // "=" is no sign of its own
      {"mm/dd/yyyy", "soon", nullptr},
      {"mm/dd/yyyy", "02/30/2003", nullptr},
  };
  for (const Case& c : cases) {
    DateConvention convention;
    convention.shortDateFmt = QString::fromLatin1(c.format);
    QString condition;
    const bool ok = ParseDateCondition(QString::fromLatin1(c.text), &condition, convention);
    EXPECT_EQ(ok ? condition : "not a date", c.want ? c.want : "not a date") << c.text;
  }
}

// The boxes' texts by field expression, the rest empty.
QStringList Boxes(const QList<QPair<QString, QString>>& filled) {
  QStringList texts(FilterFieldExpressions().size());
  for (const auto& [field, text] : filled) {
    const int at = FilterFieldExpressions().indexOf(field);
    EXPECT_GE(at, 0) << field.toStdString();
    if (at >= 0) texts[at] = text;
  }
  return texts;
}

TEST(BuildFilterExpression, JoinsBoxesInTheirOrder) {
  DateConvention us;
  // Last name brown and city denver, with the marker test joined.
  FilterExpression f = BuildFilterExpression(
      Boxes({{"CITY+STATE", "denver"}, {"LNAME", "brown"}}), us);
  EXPECT_EQ(f.condition, R"(UPPER(LNAME)="BROWN" and UPPER(CITY+STATE)="DENVER")");
  EXPECT_FALSE(f.invalidDate);
  EXPECT_EQ(FilterQuery(f.condition),
            R"(UPPER(LNAME)="BROWN" and UPPER(CITY+STATE)="DENVER".and. UPPER(PREFIX)<>"DELETED")");

  // Blank boxes are left out; the date box sits between e-mail and codes.
  f = BuildFilterExpression(
      Boxes({{"NOTES", "vip"}, {"DTOS(DATE)", ">=01/02/2003"}, {"EMAIL", "$x"}, {"FNAME", "  "}}),
      us);
  EXPECT_EQ(f.condition,
            R"("X"$UPPER(EMAIL) and DTOS(DATE)>="20030102" and UPPER(NOTES)="VIP")");

  // An invalid date is reported and left out; the other boxes still apply.
  f = BuildFilterExpression(Boxes({{"DTOS(DATE)", "02/30/2003"}, {"STATE", "co"}}), us);
  EXPECT_TRUE(f.invalidDate);
  EXPECT_EQ(f.condition, R"(UPPER(STATE)="CO")");

  // Nothing typed: no filter, and the query hides only marked records.
  f = BuildFilterExpression(Boxes({}), us);
  EXPECT_TRUE(f.condition.isEmpty());
  EXPECT_EQ(FilterQuery(f.condition), kNotDeletedCondition);
  // Too complex from length 226: length + 30 must stay below 256.
  EXPECT_FALSE(FilterTooComplex(QString(225, QLatin1Char('x'))));
  EXPECT_TRUE(FilterTooComplex(QString(226, QLatin1Char('x'))));
}

}  // namespace
}  // namespace qv::testing

#include "cleanup/rewrite.h"

#include "cleanup/cleanup_text.h"
#include "store/apollo_env.h"
#include "store/codepage.h"
#include "store/table_object.h"
#include "xbase/expr.h"
#include "xbase/workarea.h"

namespace qv {

namespace {

xb::Status NeedTable(TableObject& table) {
  if (!table.active()) return xb::Status::InvalidArgument("no contact file is open");
  if (table.state() != TableObject::State::Browse) {
    return xb::Status::InvalidArgument("a record is being edited; save or cancel it first");
  }
  return xb::Status::OK();
}

xb::Status Encode(const QString& text, std::string* out) {
  QString bad;
  if (!EncodeAnsi(text, out, &bad)) {
    return xb::Status::InvalidArgument("the character \"" + bad.toStdString() +
                                       "\" cannot be stored in a contact file");
  }
  return xb::Status::OK();
}

xb::Status FieldNumber(xb::Table& t, const QString& name, int* out) {
  *out = t.FieldIndex(name.toStdString());
  if (*out < 0 || t.fields()[*out].type != 'C') {
    return xb::Status::InvalidArgument("there is no text field " + name.toStdString());
  }
  return xb::Status::OK();
}

// Walks the visible records in record-number order, with the order found
// restored afterwards whatever happened; `visit` works on the current one.
// The walk runs as one rewrite: a kill part way has the index rebuilt at
// the next open, and a failure leaves it to be.
template <typename Visit>
xb::Status WalkRecords(xb::WorkArea& area, const CleanupProgress& progress, int* count,
                       Visit visit) {
  int previous = 0;
  XB_RETURN_IF_ERROR(area.SetOrder(0, &previous));
  std::vector<uint32_t> recnos;
  xb::Status s = area.VisibleRecnos(&recnos);
  const bool rewriting = s.ok() && !recnos.empty();
  if (rewriting) s = area.BeginRewrite();
  const size_t total = recnos.empty() ? 1 : recnos.size();
  for (size_t i = 0; s.ok() && i < recnos.size(); ++i) {
    s = area.Go(recnos[i]);
    if (s.ok()) s = visit(count);
    if (s.ok()) s = area.Commit();
    const size_t step = i + 1;
    if (s.ok() && progress && (step % kProgressEvery == 0 || step == recnos.size()) &&
        !progress(static_cast<int>(step * 100 / total), *count)) {
      break;
    }
  }
  if (rewriting) {
    const xb::Status ended = area.EndRewrite(s.ok());
    if (s.ok()) s = ended;
  }
  const xb::Status restored = area.SetOrder(previous);
  return s.ok() ? restored : s;
}

}  // namespace

// ---- capitals ----

const std::vector<std::pair<QString, QString>>& UpperFields() {
  static const std::vector<std::pair<QString, QString>> kFields = {
      {QStringLiteral("Last"), QStringLiteral("LNAME")},
      {QStringLiteral("First"), QStringLiteral("FNAME")},
      {QStringLiteral("Middle"), QStringLiteral("MIDDLE")},
      {QStringLiteral("Title"), QStringLiteral("TITLE")},
      {QStringLiteral("Organization"), QStringLiteral("ORG")},
      {QStringLiteral("Street"), QStringLiteral("STREET")},
      {QStringLiteral("City"), QStringLiteral("CITY")},
      {QStringLiteral("State/Province"), QStringLiteral("STATE")},
      {QStringLiteral("Zip/Postal Code"), QStringLiteral("ZIP")},
      {QStringLiteral("Country"), QStringLiteral("COUNTRY")},
      {QStringLiteral("Prefix"), QStringLiteral("PREFIX")},
  };
  return kFields;
}

QString NoUpperFieldsMessage() { return QStringLiteral("No fields checked for conversion"); }

QString ConvertQuestion(int count) {
  return QStringLiteral("Convert %1 records to capitals? This cannot be undone.").arg(count);
}

QString ConvertedText(int count) { return QStringLiteral("Converted %1 records").arg(count); }

xb::Status ConvertToUpper(TableObject& table, const QStringList& fields, bool currentOnly,
                          const CleanupProgress& progress, int* converted) {
  *converted = 0;
  XB_RETURN_IF_ERROR(NeedTable(table));
  return table.runOnEngine([&](xb::WorkArea& area) {
    std::vector<int> numbers;
    for (const QString& name : fields) {
      int i = 0;
      XB_RETURN_IF_ERROR(FieldNumber(area.table(), name, &i));
      numbers.push_back(i);
    }
    auto convert = [&](int* count) {
      const xb::RecordRef r = area.record();
      for (int i : numbers) {
        const std::string upper = AsciiUpper(r.field(area.table().fields()[i]));
        XB_RETURN_IF_ERROR(area.SetField(i, upper));
      }
      ++*count;
      return xb::Status::OK();
    };
    if (!currentOnly) return WalkRecords(area, progress, converted, convert);
    if (area.eof()) return xb::Status::InvalidArgument("there is no current record");
    XB_RETURN_IF_ERROR(convert(converted));
    return area.Commit();
  });
}

// ---- search and replace ----

const std::vector<std::pair<QString, QString>>& ReplaceTargets() {
  static const std::vector<std::pair<QString, QString>> kTargets = {
      {QStringLiteral("LastName"), QStringLiteral("LNAME")},
      {QStringLiteral("FirstName"), QStringLiteral("FNAME")},
      {QStringLiteral("Middle Initial"), QStringLiteral("MIDDLE")},
      {QStringLiteral("Title"), QStringLiteral("TITLE")},
      {QStringLiteral("Organization"), QStringLiteral("ORG")},
      {QStringLiteral("Street"), QStringLiteral("STREET")},
      {QStringLiteral("City"), QStringLiteral("CITY")},
      {QStringLiteral("State"), QStringLiteral("STATE")},
      {QStringLiteral("Zip"), QStringLiteral("ZIP")},
      {QStringLiteral("Country"), QStringLiteral("COUNTRY")},
      {QStringLiteral("Phone"), QStringLiteral("PHONE")},
      {QStringLiteral("Email"), QStringLiteral("EMAIL")},
      {QStringLiteral("Fax"), QStringLiteral("FAX")},
      {QStringLiteral("Codes"), QStringLiteral("NOTES")},
  };
  return kTargets;
}

xb::Status ReplaceCondition(const ReplaceOptions& options, std::string* condition) {
  const std::string f = options.field.toStdString();
  if (options.findValue.isEmpty()) {
    *condition = "EMPTY(" + f + ")";
    return xb::Status::OK();
  }
  std::string v;
  XB_RETURN_IF_ERROR(Encode(options.findValue, &v));
  const std::string literal = XbaseLiteral(options.caseSensitive ? v : AsciiUpper(v));
  if (options.kind == FindKind::Contains) {
    *condition =
        options.caseSensitive ? literal + "$" + f : "upper(" + literal + ")$upper(" + f + ")";
  } else {
    *condition = options.caseSensitive ? "TRIM(" + f + ")==" + literal
                                       : "upper(TRIM(" + f + "))==upper(" + literal + ")";
  }
  return xb::Status::OK();
}

QString ReplaceQuestion(const ReplaceOptions& options, const QString& caption) {
  QString find;
  if (options.findValue.isEmpty()) {
    find = QStringLiteral("is empty ");
  } else {
    find = (options.kind == FindKind::Exact ? QStringLiteral("exactly matches: ")
                                            : QStringLiteral("contains: ")) +
           QLatin1Char('"') + options.findValue + QLatin1Char('"') +
           (options.caseSensitive ? QStringLiteral("  (case sensitive)")
                                  : QStringLiteral(" (not case sensitive)"));
  }
  QString action;
  if (options.replaceValue.isEmpty()) {
    action = options.replaceWhole ? QStringLiteral("and delete the entire field ")
                                  : QStringLiteral("and delete the matching text ");
  } else {
    action = (options.replaceWhole ? QStringLiteral("and replace the entire field with ")
                                   : QStringLiteral("and replace only the matching text with ")) +
             QLatin1Char('"') + options.replaceValue + QLatin1Char('"');
  }
  return QStringLiteral("Find records where field ") + caption + QLatin1Char('\r') + find +
         QLatin1Char('\r') + action;
}

xb::Status SearchAndReplace(TableObject& table, const ReplaceOptions& options,
                            const CleanupProgress& progress, int* replaced) {
  *replaced = 0;
  XB_RETURN_IF_ERROR(NeedTable(table));
  return table.runOnEngine([&](xb::WorkArea& area) {
    int field = 0;
    XB_RETURN_IF_ERROR(FieldNumber(area.table(), options.field, &field));
    std::string text, find, with;
    XB_RETURN_IF_ERROR(ReplaceCondition(options, &text));
    XB_RETURN_IF_ERROR(Encode(options.findValue, &find));
    XB_RETURN_IF_ERROR(Encode(options.replaceValue, &with));
    std::unique_ptr<xb::Expression> condition;
    XB_RETURN_IF_ERROR(xb::Expression::Compile(text, area.table().fields(), &condition));
    xb::EvalSettings eval;
    eval.exact = area.settings().exact;
    const xb::FieldInfo& info = area.table().fields()[field];
    return WalkRecords(area, progress, replaced, [&](int* count) {
      const xb::RecordRef r = area.record();
      if (r.deleted()) return xb::Status::OK();
      xb::Status error;
      const bool match = condition->EvaluateLogical(r, eval, &error);
      XB_RETURN_IF_ERROR(error);
      if (!match) return xb::Status::OK();
      ++*count;
      if (options.replaceWhole) return area.SetField(field, with);
      // SetField cuts a value grown past the field's width.
      return area.SetField(
          field, ReplaceMatches(TrimRight(r.field(info)), find, with, !options.caseSensitive));
    });
  });
}

QString ReplacedText(int count) { return QStringLiteral("Replaced %1 records").arg(count); }

// ---- deletion and recall ----

namespace {

// Runs `work` with the records carrying the deletion flag visible, as
// deletion and recall both need them.
xb::Status WithFlaggedVisible(TableObject& table,
                              const std::function<xb::Status(xb::WorkArea&)>& work) {
  XB_RETURN_IF_ERROR(NeedTable(table));
  return table.runOnEngine([&](xb::WorkArea& area) {
    TApolloEnv& env = *table.env();
    const bool hidden = env.Deleted();
    env.SetDeleted(false);
    const xb::Status s = work(area);
    env.SetDeleted(hidden);
    return s;
  });
}

xb::Status PrefixField(xb::WorkArea& area, int* prefix) {
  *prefix = area.table().FieldIndex("PREFIX");
  if (*prefix < 0) return xb::Status::InvalidArgument("the file has no field PREFIX");
  return xb::Status::OK();
}

}  // namespace

xb::Status CountRecordsToDelete(TableObject& table, int* count) {
  *count = 0;
  return WithFlaggedVisible(table, [&](xb::WorkArea& area) {
    std::vector<uint32_t> recnos;
    XB_RETURN_IF_ERROR(area.VisibleRecnos(&recnos));
    *count = static_cast<int>(recnos.size());
    return xb::Status::OK();
  });
}

QString DeleteQuestion(int count) { return QStringLiteral("Delete %1 records?").arg(count); }

xb::Status DeleteRecords(TableObject& table, const CleanupProgress& progress, int* deleted) {
  *deleted = 0;
  // Records deleted before are visited and counted again.
  return WithFlaggedVisible(table, [&](xb::WorkArea& area) {
    int prefix = 0;
    XB_RETURN_IF_ERROR(PrefixField(area, &prefix));
    return WalkRecords(area, progress, deleted, [&](int* count) {
      XB_RETURN_IF_ERROR(area.SetField(prefix, "DELETED"));
      XB_RETURN_IF_ERROR(area.SetDeleted(true));
      ++*count;
      return xb::Status::OK();
    });
  });
}

QString DeletedText(int count) { return QStringLiteral("Deleted %1 records").arg(count); }

QString RebuildAdviceMessage() {
  return QStringLiteral(
      "For optimum space usage, please select\r\n[Rebuild Indexes] from the [File] menu");
}

xb::Status RecallRecords(TableObject& table, const CleanupProgress& progress, int* recalled) {
  *recalled = 0;
  return WithFlaggedVisible(table, [&](xb::WorkArea& area) {
    int prefix = 0;
    XB_RETURN_IF_ERROR(PrefixField(area, &prefix));
    const xb::FieldInfo& info = area.table().fields()[prefix];
    return WalkRecords(area, progress, recalled, [&](int* count) {
      const xb::RecordRef r = area.record();
      const bool marked = AsciiUpper(TrimRight(r.field(info))) == "DELETED";
      if (!marked && !r.deleted()) return xb::Status::OK();
      if (marked) XB_RETURN_IF_ERROR(area.SetField(prefix, ""));
      XB_RETURN_IF_ERROR(area.SetDeleted(false));
      ++*count;
      return xb::Status::OK();
    });
  });
}

QString RecalledText(int count) { return QStringLiteral("Recalled %1 records").arg(count); }

QString RecnoQuery(int recno) { return QStringLiteral("RECNO()=%1").arg(recno); }

}  // namespace qv

#include "transfer/transfer.h"

namespace qv {

const std::vector<TargetInfo>& ContactTargets() {
  static const std::vector<TargetInfo> targets = {
      {ContactTarget::First, QStringLiteral("First"), QStringLiteral("FNAME")},
      {ContactTarget::Last, QStringLiteral("Last"), QStringLiteral("LNAME")},
      {ContactTarget::Middle, QStringLiteral("Middle"), QStringLiteral("MIDDLE")},
      {ContactTarget::Title, QStringLiteral("Title"), QStringLiteral("TITLE")},
      {ContactTarget::Organization, QStringLiteral("Organization"), QStringLiteral("ORG")},
      {ContactTarget::Street, QStringLiteral("Street"), QStringLiteral("STREET")},
      {ContactTarget::City, QStringLiteral("City"), QStringLiteral("CITY")},
      {ContactTarget::State, QStringLiteral("State/Province"), QStringLiteral("STATE")},
      {ContactTarget::Zip, QStringLiteral("Zip/Post Code"), QStringLiteral("ZIP")},
      {ContactTarget::Country, QStringLiteral("Country"), QStringLiteral("COUNTRY")},
      {ContactTarget::Phone, QStringLiteral("Phone"), QStringLiteral("PHONE")},
      {ContactTarget::Fax, QStringLiteral("Fax"), QStringLiteral("FAX")},
      {ContactTarget::EMail, QStringLiteral("E-Mail"), QStringLiteral("EMAIL")},
      {ContactTarget::Codes, QStringLiteral("Codes"), QStringLiteral("NOTES")},
      {ContactTarget::Prefix, QStringLiteral("Prefix"), QStringLiteral("PREFIX")},
      {ContactTarget::Memo, QStringLiteral("Memo"), QStringLiteral("MEMO")},
      {ContactTarget::Date, QStringLiteral("Date"), QStringLiteral("DATE")},
  };
  return targets;
}

const TargetInfo& TargetInfoOf(ContactTarget target) {
  return ContactTargets()[static_cast<std::size_t>(target)];
}

std::optional<ContactTarget> TargetFromCaption(const QString& caption) {
  for (const TargetInfo& info : ContactTargets()) {
    if (info.caption.compare(caption, Qt::CaseInsensitive) == 0) return info.target;
  }
  return std::nullopt;
}

xb::Status RecordWriter::writeCurrent(xb::WorkArea&) {
  return xb::Status::InvalidArgument("this writer takes values, not records");
}

QString ContactValues::value(const QString& field) const {
  for (const auto& [name, text] : fields) {
    if (name == field) return text;
  }
  return {};
}

}  // namespace qv

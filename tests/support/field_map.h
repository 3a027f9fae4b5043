// A field reader over a map of field names to texts: a field left out
// reads as empty.
#pragma once

#include <QString>
#include <functional>
#include <map>

namespace qv::testing {

using FieldMap = std::map<QString, QString>;

inline std::function<QString(const QString&)> ReaderOf(const FieldMap& fields) {
  return [fields](const QString& name) {
    auto it = fields.find(name);
    return it == fields.end() ? QString() : it->second;
  };
}

}  // namespace qv::testing

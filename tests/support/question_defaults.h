// Which button each question of the program offers as its default: Yes,
// except for the questions below, where a slip of the Enter key would add a
// duplicate, overwrite a file, abandon a copy or merge records away. Both
// scripted dialog services check every question a test makes the program
// ask against this one table.
#pragma once

#include <gtest/gtest.h>

#include <QString>

namespace qvtest {

struct NoDefaultQuestion {
  const char* caption;  // "" matches any caption
  const char* textStart;
};

inline constexpr NoDefaultQuestion kNoDefaultQuestions[] = {
    {"Possible Duplicate", "Possible duplicate:"},
    {"Warning!", ""},  // "... already exists. Do you want to overwrite it?" in Copy Records Out
    {"Cancel", "Cancel copy?"},
    {"", "Merge the record beside it into this one"},
};

inline bool DefaultIsYes(const QString& caption, const QString& text) {
  for (const NoDefaultQuestion& q : kNoDefaultQuestions) {
    const bool captionMatches = *q.caption == '\0' || caption == QLatin1String(q.caption);
    if (captionMatches && text.startsWith(QLatin1String(q.textStart))) return false;
  }
  return true;
}

inline void ExpectTheSpecifiedDefault(const QString& caption, const QString& text,
                                      bool defaultYes) {
  EXPECT_EQ(defaultYes, DefaultIsYes(caption, text))
      << "the default button of \"" << text.toStdString() << "\" (caption \""
      << caption.toStdString() << "\")";
}

}  // namespace qvtest

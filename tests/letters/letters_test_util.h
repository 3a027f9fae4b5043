// A letter read from RTF text, for the letter tests.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>

#include "richtext/rtf.h"

namespace qv::testing {

inline RichDocument Letter(const QByteArray& rtf) {
  RichDocument doc;
  EXPECT_TRUE(ReadRtf(rtf, &doc).ok);
  return doc;
}

}  // namespace qv::testing

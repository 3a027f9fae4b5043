// Damages one tag of a compound index the way a crash between two writes
// would: the first entry of the tag is removed, the pages stay sound and one
// record is no longer found through that tag.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "xbase/index.h"

namespace qvtest {

inline ::testing::AssertionResult DropFirstKey(const std::string& cdx, const std::string& tag) {
  std::unique_ptr<xb::IndexFile> f;
  if (!xb::IndexFile::Open(cdx, xb::IndexOpenOptions(), &f).ok()) {
    return ::testing::AssertionFailure() << "cannot open " << cdx;
  }
  const int order = f->FindTag(tag);
  std::unique_ptr<xb::IndexCursor> c;
  if (order < 0 || !f->NewCursor(order, &c).ok() || !c->SeekFirst().ok()) {
    return ::testing::AssertionFailure() << "no first entry in tag " << tag;
  }
  if (!f->DeleteKey(order, std::string(c->key()), c->recno()).ok()) {
    return ::testing::AssertionFailure() << "cannot delete the first entry of " << tag;
  }
  c.reset();
  if (!f->Close().ok()) return ::testing::AssertionFailure() << "cannot close " << cdx;
  return ::testing::AssertionSuccess();
}

}  // namespace qvtest

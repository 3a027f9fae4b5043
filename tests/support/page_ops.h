// Reading a run's page stream back: the preview hook that decodes it, and
// the operations of one kind on a page, in drawing order.
#pragma once

#include <gtest/gtest.h>

#include <QIODevice>
#include <QString>
#include <functional>
#include <variant>
#include <vector>

#include "render/page_stream.h"

namespace qv::testing {

// A preview hook that decodes the stream it is given into `pages`.
inline std::function<void(QIODevice&)> DecodeInto(PageStream* pages) {
  return [pages](QIODevice& stream) {
    QString error;
    EXPECT_TRUE(DecodePageStream(stream.readAll(), pages, &error)) << error.toStdString();
  };
}

// What a previewed run gave: its result and the pages its preview showed.
template <typename Result>
struct RunPages {
  Result result;
  PageStream pages;
};

template <typename Op>
std::vector<Op> OpsOf(const Page& page) {
  std::vector<Op> out;
  for (const PageOp& op : page.ops) {
    if (const auto* o = std::get_if<Op>(&op)) out.push_back(*o);
  }
  return out;
}

inline std::vector<TextOp> TextsOf(const Page& page) { return OpsOf<TextOp>(page); }
// The lines of a page in drawing order, a bar code's bars among them as the
// lines they are drawn with.
inline std::vector<LineOp> LinesOf(const Page& page) {
  std::vector<LineOp> out;
  for (const PageOp& op : page.ops) {
    if (const auto* l = std::get_if<LineOp>(&op)) out.push_back(*l);
    if (const auto* b = std::get_if<BarCodeOp>(&op)) {
      for (const LineOp& bar : BarCodeLines(*b)) out.push_back(bar);
    }
  }
  return out;
}

}  // namespace qv::testing

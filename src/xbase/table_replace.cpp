// Replacing a table and its companions as a whole, under the table's lock.
// The memo file and the index have no locks of their own: they rely on the
// table's (see file.h), so this is the one way to swap them all.
#include <cstdio>

#include "file.h"
#include "xbase/table.h"

namespace xb {

namespace {

// The companions a replacement carries over, by extension.
constexpr const char* kCompanions[] = {"fpt", "dbt", "cdx"};

std::string Stem(const std::string& path) {
  const std::string base = BaseName(path);
  const size_t dot = base.rfind('.');
  return dot == std::string::npos ? base : base.substr(0, dot);
}

std::string InDir(const std::string& dir, const std::string& name) {
  return dir.empty() ? name : dir + "/" + name;
}

// Removes the side table and whatever companions and temporaries it has.
Status RemoveSideFiles(const std::string& side) {
  for (const char* ext : kCompanions) {
    const std::string found = FindFileIgnoringCase(side, Stem(side) + "." + ext);
    if (!found.empty()) XB_RETURN_IF_ERROR(RemoveFile(found));
  }
  // The index being built when a rebuild of the side table died.
  XB_RETURN_IF_ERROR(RemoveFile(InDir(DirName(side), Stem(side) + ".new")));
  return RemoveFile(side);
}

}  // namespace

TableReplacement::TableReplacement() = default;

Status TableReplacement::Begin(const std::string& path, std::unique_ptr<TableReplacement>* out) {
  std::unique_ptr<TableReplacement> r(new TableReplacement);
  r->path_ = path;
  r->side_ = InDir(DirName(path), Stem(path) + ".new.dbf");
  r->created_ = !FileExists(path);
  XB_RETURN_IF_ERROR(OpenFile(path, FileMode::kCreate, &r->lock_));
  Status s = r->lock_->Lock(LockKind::kExclusive);
  if (!s.ok() && s.code() != Status::Code::kNotSupported) {
    // Not ours to remove: another replacement may have made it.
    r->created_ = false;
    return s;
  }
  XB_RETURN_IF_ERROR(RemoveSideFiles(r->side_));
  *out = std::move(r);
  return Status::OK();
}

TableReplacement::~TableReplacement() {
  if (committed_ || !lock_) return;
  // Nothing to report from a destructor: the caller has its own error.
  RemoveSideFiles(side_).IgnoreError();
  if (created_) RemoveFile(path_).IgnoreError();
}

Status TableReplacement::Commit() {
  const std::string stem = Stem(path_);
  for (const char* ext : kCompanions) {
    const std::string fresh = FindFileIgnoringCase(side_, Stem(side_) + "." + ext);
    const std::string old = FindFileIgnoringCase(path_, stem + "." + ext);
    if (!fresh.empty()) {
      XB_RETURN_IF_ERROR(
          RenameFile(fresh, old.empty() ? InDir(DirName(path_), stem + "." + ext) : old));
    } else if (!old.empty()) {
      XB_RETURN_IF_ERROR(RemoveFile(old));
    }
  }
  XB_RETURN_IF_ERROR(RenameFile(side_, path_));
  committed_ = true;
  return Status::OK();
}

}  // namespace xb

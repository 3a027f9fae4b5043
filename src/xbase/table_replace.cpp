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

// The commit's journal: one line per step, "RENAME\tfrom\tto" or
// "REMOVE\tname" (names within the table's folder), then "END". Steps are
// done in order and each is safe to do again: a rename whose source is
// gone was done, a removal of a missing file too.
Status RunJournal(const std::string& path, std::string_view journal, std::unique_ptr<File>* file) {
  const std::string dir = DirName(path);
  while (!journal.empty()) {
    const size_t nl = journal.find('\n');
    const std::string_view line = journal.substr(0, nl);
    journal = nl == std::string_view::npos ? std::string_view() : journal.substr(nl + 1);
    const size_t tab = line.find('\t');
    const std::string_view verb = line.substr(0, tab);
    const std::string_view rest = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
    if (verb == "END") return Status::OK();
    if (verb == "REMOVE" && !rest.empty()) {
      XB_RETURN_IF_ERROR(RemoveFile(InDir(dir, std::string(rest))));
      continue;
    }
    const size_t tab2 = rest.find('\t');
    if (verb != "RENAME" || tab2 == std::string_view::npos) break;
    const std::string from = InDir(dir, std::string(rest.substr(0, tab2)));
    const std::string to = InDir(dir, std::string(rest.substr(tab2 + 1)));
    if (!FileExists(from)) continue;
    if (file != nullptr && to == path) {
      // The table itself: the caller goes on with the new file, locked.
      std::unique_ptr<File> fresh;
      XB_RETURN_IF_ERROR(OpenFile(from, FileMode::kReadWrite, &fresh));
      XB_RETURN_IF_ERROR(fresh->Lock(LockKind::kExclusive));
      XB_RETURN_IF_ERROR(RenameFile(from, to));
      fresh->set_path(to);
      *file = std::move(fresh);
      continue;
    }
    XB_RETURN_IF_ERROR(RenameFile(from, to));
  }
  return Status::Corruption(JournalPath(path) + " is not a replacement journal; "
                            "the table and its companions may not belong together");
}

}  // namespace

std::string JournalPath(const std::string& table_path) {
  return InDir(DirName(table_path), Stem(table_path) + ".qvr");
}

Status FinishInterruptedReplacement(const std::string& path, bool can_repair,
                                    std::unique_ptr<File>* file) {
  const std::string journal_path = JournalPath(path);
  if (!FileExists(journal_path)) return Status::OK();
  if (!can_repair) {
    return Status::Corruption(path + " was being replaced when the program stopped; "
                              "open it exclusively for writing to finish");
  }
  std::string journal;
  XB_RETURN_IF_ERROR(ReadSmallFile(journal_path, &journal));
  // Cut off while the journal was written: nothing was renamed yet.
  const bool whole = journal.size() >= 4 && journal.compare(journal.size() - 4, 4, "END\n") == 0;
  if (whole) XB_RETURN_IF_ERROR(RunJournal(path, journal, file));
  return RemoveFile(journal_path);
}

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
  // A commit cut off part way is finished first: its side files are the table now.
  XB_RETURN_IF_ERROR(FinishInterruptedReplacement(path, true, &r->lock_));
  XB_RETURN_IF_ERROR(RemoveSideFiles(r->side_));
  *out = std::move(r);
  return Status::OK();
}

TableReplacement::~TableReplacement() {
  // A commit stopped part way is finished by the next exclusive open.
  if (committed_ || journaled_ || !lock_) return;
  // Nothing to report from a destructor: the caller has its own error.
  RemoveSideFiles(side_).IgnoreError();
  if (created_) RemoveFile(path_).IgnoreError();
}

// The renames cannot be made one atomic step, so they are written down,
// synced, first: a kill part way leaves the journal, and the next
// exclusive open or replacement finishes them (FinishInterruptedReplacement)
// rather than leaving an old table with the new memo file or index.
Status TableReplacement::Commit() {
  const std::string stem = Stem(path_);
  std::string journal;
  for (const char* ext : kCompanions) {
    const std::string fresh = FindFileIgnoringCase(side_, Stem(side_) + "." + ext);
    const std::string old = FindFileIgnoringCase(path_, stem + "." + ext);
    if (!fresh.empty()) {
      journal += "RENAME\t" + BaseName(fresh) + "\t" + (old.empty() ? stem + "." + ext : BaseName(old)) + "\n";
    } else if (!old.empty()) {
      journal += "REMOVE\t" + BaseName(old) + "\n";
    }
  }
  journal += "RENAME\t" + BaseName(side_) + "\t" + BaseName(path_) + "\nEND\n";
  const std::string journal_path = JournalPath(path_);
  XB_RETURN_IF_ERROR(WriteSmallFile(journal_path, journal));
  journaled_ = true;
  XB_RETURN_IF_ERROR(RunJournal(path_, journal, nullptr));
  XB_RETURN_IF_ERROR(RemoveFile(journal_path));
  committed_ = true;
  return Status::OK();
}

}  // namespace xb

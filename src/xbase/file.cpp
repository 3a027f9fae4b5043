// POSIX implementation of the engine's file abstraction.
#include "file.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace xb {

namespace {

Status ErrnoStatus(const std::string& what, const std::string& path, int err) {
  std::string msg = what + " " + path + ": " + std::strerror(err);
  if (err == ENOENT) return Status::NotFound(msg);
  if (err == EROFS || err == EACCES || err == EPERM) return Status::ReadOnly(msg);
  return Status::IOError(msg);
}

// Far past any offset a DBF can reach (record counts are 32-bit, but
// headers and records are small), so the append lock never covers data.
constexpr off_t kAppendLockOffset = 0x7FFFFFFFFFFF0000LL;

class PosixFile final : public File {
 public:
  PosixFile(std::string path, int fd) : File(std::move(path)), fd_(fd) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Close() override {
    if (fd_ < 0) return Status::OK();
    const int rc = ::close(fd_);
    const int err = errno;
    fd_ = -1;
    // EINTR leaves the descriptor closed on Linux; retrying could close
    // someone else's.
    if (rc != 0 && err != EINTR) return ErrnoStatus("cannot close", path(), err);
    return Status::OK();
  }

  Status Read(uint64_t offset, size_t n, char* buf, size_t* got) override {
    *got = 0;
    while (*got < n) {
      ssize_t r = ::pread(fd_, buf + *got, n - *got, static_cast<off_t>(offset + *got));
      if (r < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus("cannot read", path(), errno);
      }
      if (r == 0) break;
      *got += static_cast<size_t>(r);
    }
    return Status::OK();
  }

  Status Write(uint64_t offset, std::string_view data) override {
    size_t done = 0;
    while (done < data.size()) {
      ssize_t w =
          ::pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus("cannot write", path(), errno);
      }
      done += static_cast<size_t>(w);
    }
    return Status::OK();
  }

  Status Size(uint64_t* size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return ErrnoStatus("cannot stat", path(), errno);
    *size = static_cast<uint64_t>(st.st_size);
    return Status::OK();
  }

  Status Truncate(uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
      return ErrnoStatus("cannot truncate", path(), errno);
    }
    return Status::OK();
  }

  Status Sync() override {
    if (::fdatasync(fd_) != 0) return ErrnoStatus("cannot sync", path(), errno);
    return Status::OK();
  }

  Status Lock(LockKind kind) override {
    // flock, unlike classic POSIX record locks, belongs to the open file
    // description and works on descriptors opened read-only.
    int op = (kind == LockKind::kExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    while (::flock(fd_, op) != 0) {
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) {
        return Status::InUse(path() + " is in use by another program or user");
      }
      if (errno == ENOLCK || errno == EINVAL || errno == ENOTSUP || errno == EBADF) {
        return Status::NotSupported("cannot lock " + path() + ": " + std::strerror(errno));
      }
      return ErrnoStatus("cannot lock", path(), errno);
    }
    return Status::OK();
  }

  Status LockAppend() override { return AppendLock(F_WRLCK); }
  Status UnlockAppend() override { return AppendLock(F_UNLCK); }

 private:
  Status AppendLock(short type) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = kAppendLockOffset;
    fl.l_len = 1;
    while (::fcntl(fd_, F_OFD_SETLKW, &fl) != 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus("cannot lock for append", path(), errno);
    }
    return Status::OK();
  }

  int fd_;
};

FileOpener& Opener() {
  static FileOpener opener;
  return opener;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

Status SyncDir(const std::string& path) {
  const std::string parent = DirName(path);
  const std::string dir = parent.empty() ? std::string(".") : parent;
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return ErrnoStatus("cannot open folder", dir, errno);
  int rc = ::fsync(fd);
  int err = errno;
  ::close(fd);
  // Some file systems refuse to sync a directory; the rename itself stands.
  if (rc != 0 && err != EINVAL && err != EROFS) return ErrnoStatus("cannot sync", dir, err);
  return Status::OK();
}

}  // namespace

Status File::ReadExact(uint64_t offset, size_t n, char* buf, const char* what) {
  size_t got = 0;
  XB_RETURN_IF_ERROR(Read(offset, n, buf, &got));
  if (got != n) {
    return Status::Corruption(path() + ": " + what + " is cut short (file ends early)");
  }
  return Status::OK();
}

Status OpenPosixFile(const std::string& path, FileMode mode, std::unique_ptr<File>* out) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::kReadOnly:
      flags |= O_RDONLY;
      break;
    case FileMode::kReadWrite:
      flags |= O_RDWR;
      break;
    case FileMode::kCreate:
      flags |= O_RDWR | O_CREAT;
      break;
  }
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) return ErrnoStatus("cannot open", path, errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return ErrnoStatus("cannot stat", path, err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::InvalidArgument(path + " is not a regular file");
  }
  out->reset(new PosixFile(path, fd));
  return Status::OK();
}

Status OpenFile(const std::string& path, FileMode mode, std::unique_ptr<File>* out) {
  if (Opener()) return Opener()(path, mode, out);
  return OpenPosixFile(path, mode, out);
}

FileOpener SetFileOpenerForTesting(FileOpener opener) {
  FileOpener old = std::move(Opener());
  Opener() = std::move(opener);
  return old;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

Status RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) {
    if (errno == ENOENT) return Status::OK();
    return ErrnoStatus("cannot remove", path, errno);
  }
  return SyncDir(path);
}

namespace {
RenameCheck& RenameChecker() {
  static RenameCheck check;
  return check;
}
}  // namespace

RenameCheck SetRenameCheckForTesting(RenameCheck check) {
  RenameCheck old = std::move(RenameChecker());
  RenameChecker() = std::move(check);
  return old;
}

Status RenameFile(const std::string& from, const std::string& to) {
  if (RenameChecker()) XB_RETURN_IF_ERROR(RenameChecker()(from, to));
  if (::rename(from.c_str(), to.c_str()) != 0) {
    return ErrnoStatus("cannot rename " + from + " to", to, errno);
  }
  return SyncDir(to);
}

std::string StaleIndexMarkerPath(const std::string& table_path) {
  const size_t slash = table_path.rfind('/');
  const size_t dot = table_path.rfind('.');
  const bool has_ext = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (has_ext ? table_path.substr(0, dot) : table_path) + ".qvi";
}

Status WriteSmallFile(const std::string& path, std::string_view contents) {
  std::unique_ptr<File> f;
  XB_RETURN_IF_ERROR(OpenFile(path, FileMode::kCreate, &f));
  XB_RETURN_IF_ERROR(f->Truncate(0));
  XB_RETURN_IF_ERROR(f->Write(0, contents));
  XB_RETURN_IF_ERROR(f->Sync());
  XB_RETURN_IF_ERROR(f->Close());
  return SyncDir(path);
}

Status ReadSmallFile(const std::string& path, std::string* contents) {
  std::unique_ptr<File> f;
  XB_RETURN_IF_ERROR(OpenFile(path, FileMode::kReadOnly, &f));
  uint64_t size = 0;
  XB_RETURN_IF_ERROR(f->Size(&size));
  if (size > (1u << 20)) return Status::Corruption(f->path() + " is too large to be a marker or journal");
  contents->resize(static_cast<size_t>(size));
  XB_RETURN_IF_ERROR(f->ReadExact(0, contents->size(), contents->data(), "marker"));
  return f->Close();
}

Status MarkIndexesStale(const std::string& table_path, std::string_view contents) {
  return WriteSmallFile(StaleIndexMarkerPath(table_path), contents);
}

Status ReadStaleIndexMarker(const std::string& table_path, std::string* contents) {
  return ReadSmallFile(StaleIndexMarkerPath(table_path), contents);
}

Status ClearIndexesStale(const std::string& table_path) {
  return RemoveFile(StaleIndexMarkerPath(table_path));
}

std::string DirName(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FindFileIgnoringCase(const std::string& dir_of, const std::string& name) {
  std::string dir = DirName(dir_of);
  std::string prefix = dir.empty() ? "" : (dir == "/" ? "/" : dir + "/");
  if (FileExists(prefix + name)) return prefix + name;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return "";
  std::string found;
  while (struct dirent* e = ::readdir(d)) {
    if (SameIgnoringCase(e->d_name, name)) {
      found = prefix + e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace xb

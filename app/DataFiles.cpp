#include "app/DataFiles.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The fuzz build saves thousands of times a second; there a sync only costs time.
int syncDescriptor(int fd) {
#ifdef QM_SKIP_FSYNC
  (void)fd;
  return 0;
#else
  return fsync(fd);
#endif
}

FileStatus statusFromErrno(int error) {
  if (error == ENOENT || error == ENOTDIR) return FileStatus::Missing;
  // O_NONBLOCK on a FIFO without a writer opens; on a device node that
  // refuses it the open fails with ENXIO: not a file either way.
  if (error == ENXIO || error == ENODEV || error == EISDIR) return FileStatus::NotRegular;
  return FileStatus::Failed;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Opens path for reading when it is a regular file; the descriptor, or -1
// with the reason in status.
int openRegularDescriptor(const std::string& path, FileStatus& status, struct stat& st) {
  if (path.empty()) {
    status = FileStatus::Missing;
    return -1;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    status = statusFromErrno(errno);
    return -1;
  }
  if (fstat(fd, &st) != 0) {
    ::close(fd);
    status = FileStatus::Failed;
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    status = FileStatus::NotRegular;
    return -1;
  }
  status = FileStatus::Ok;
  return fd;
}

// Reads the whole of an open regular file (O_NONBLOCK does nothing to one).
FileStatus readDescriptor(int fd, const struct stat& st, std::size_t maxBytes, std::string& out) {
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) return FileStatus::TooLarge;
  out.reserve(static_cast<std::size_t>(st.st_size));
  // The size seen above may still change under us: the read is capped as well.
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      out.clear();
      return FileStatus::Failed;
    }
    if (n == 0) return FileStatus::Ok;
    if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
      out.clear();
      return FileStatus::TooLarge;
    }
    out.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace

const char* describeFileStatus(FileStatus status) {
  switch (status) {
    case FileStatus::Ok: return "read";
    case FileStatus::Missing: return "missing";
    case FileStatus::NotRegular: return "not a regular file";
    case FileStatus::TooLarge: return "too large";
    case FileStatus::Failed: return "cannot be read";
  }
  return "cannot be read";
}

std::FILE* openRegularFile(const std::string& path, FileStatus& status) {
  struct stat st {};
  const int fd = openRegularDescriptor(path, status, st);
  if (fd < 0) return nullptr;
  // Reads of a regular file never block; clear the flag all the same.
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "rb");
  if (f == nullptr) {
    ::close(fd);
    status = FileStatus::Failed;
    return nullptr;
  }
  status = FileStatus::Ok;
  return f;
}

bool isRegularFile(const std::string& path) {
  FileStatus status = FileStatus::Ok;
  struct stat st {};
  const int fd = openRegularDescriptor(path, status, st);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

FileStatus readRegularFile(const std::string& path, std::size_t maxBytes, std::string& out, bool* opened) {
  out.clear();
  FileStatus status = FileStatus::Ok;
  struct stat st {};
  const int fd = openRegularDescriptor(path, status, st);
  if (opened != nullptr) *opened = fd >= 0;
  if (fd < 0) return status;
  status = readDescriptor(fd, st, maxBytes, out);
  ::close(fd);
  return status;
}

bool writeFileAtomically(const std::string& path, const std::string& data) {
  const std::string temp = path + ".tmp";
  // Whatever lies at the temporary name (a leftover, or a link planted to
  // redirect the write) goes; O_EXCL with O_NOFOLLOW then makes a new file.
  if (::unlink(temp.c_str()) != 0 && errno != ENOENT) return false;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
    } else {
      done += static_cast<std::size_t>(n);
    }
  }
  ok = syncDescriptor(fd) == 0 && ok;  // the rename must not land before the data
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself lives in the folder: sync it so the new name survives a crash.
  const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    syncDescriptor(dir);
    ::close(dir);
  }
  return true;
}

#pragma once
// Test helpers: a temporary folder removed afterwards, a scoped working folder
// and a scoped environment variable.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <unistd.h>

namespace qmtest {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qm_test_XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) std::abort();
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

  // Writes a file below the folder, creating its parents.
  std::filesystem::path write(const std::string& relative, const std::string& contents) const {
    std::filesystem::path p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << contents;
    return p;
  }

 private:
  std::filesystem::path path_;
};

class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCwd() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

class ScopedEnv {
 public:
  // value nullopt unsets the variable for the scope.
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace qmtest

#include <fcntl.h>

namespace qmtest {

// Points standard input at /dev/null for the scope, so code that waits for a
// key when run from a terminal never blocks a test started from one.
class ScopedNoStdin {
 public:
  ScopedNoStdin() : saved_(dup(STDIN_FILENO)) {
    int fd = open("/dev/null", O_RDONLY);
    if (fd >= 0) {
      dup2(fd, STDIN_FILENO);
      close(fd);
    }
  }
  ~ScopedNoStdin() {
    if (saved_ >= 0) {
      dup2(saved_, STDIN_FILENO);
      close(saved_);
    }
  }
  ScopedNoStdin(const ScopedNoStdin&) = delete;
  ScopedNoStdin& operator=(const ScopedNoStdin&) = delete;

 private:
  int saved_;
};

}  // namespace qmtest

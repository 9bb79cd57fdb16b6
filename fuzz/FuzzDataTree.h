#pragma once
// A private working folder for fuzz targets whose readers open resources by
// name: each input is written to the resource's place and read from there.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

class FuzzDataTree {
 public:
  FuzzDataTree() {
    char tmpl[] = "/tmp/qm_fuzz_XXXXXX";
    if (mkdtemp(tmpl) == nullptr || chdir(tmpl) != 0) std::abort();
    root_ = tmpl;
  }
  ~FuzzDataTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  FuzzDataTree(const FuzzDataTree&) = delete;
  FuzzDataTree& operator=(const FuzzDataTree&) = delete;
  // Writes data to the relative resource path (its folders are created).
  void put(const std::string& relative, const std::uint8_t* data, std::size_t size) {
    for (std::size_t p = relative.find('/'); p != std::string::npos; p = relative.find('/', p + 1)) {
      mkdir(relative.substr(0, p).c_str(), 0755);
    }
    std::FILE* f = std::fopen(relative.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

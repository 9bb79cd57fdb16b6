#pragma once
// A private working folder for fuzz targets whose readers open resources by
// name: each input is written to the resource's place and read from there.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

// The data tree changes the working folder, and libFuzzer reads corpus folders
// and writes artifacts by the paths it was given: relative ones would then
// point into the tree. Every such path is made absolute before libFuzzer
// reads its arguments, so a target works from any folder.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static std::vector<std::string> storage;
  static std::vector<char*> pointers;
  const std::string here = std::filesystem::current_path().string() + "/";
  const char* const pathFlags[] = {"-artifact_prefix=", "-exact_artifact_path=", "-dict=", "-features_dir="};
  storage.reserve(static_cast<std::size_t>(*argc));
  for (int i = 0; i < *argc; ++i) {
    std::string arg = (*argv)[i];
    if (i > 0 && !arg.empty() && arg[0] != '-' && arg[0] != '/') {
      arg = here + arg;  // a corpus folder or an input file
    } else {
      for (const char* flag : pathFlags) {
        const std::string f = flag;
        if (arg.compare(0, f.size(), f) == 0 && arg.size() > f.size() && arg[f.size()] != '/') {
          arg = f + here + arg.substr(f.size());
        }
      }
    }
    storage.push_back(arg);
  }
  for (std::string& arg : storage) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  *argv = pointers.data();
  return 0;
}

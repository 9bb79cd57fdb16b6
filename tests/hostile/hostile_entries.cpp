// hostile_entries KIND PATH...: puts at each PATH an entry of one kind of what
// a damaged or hostile install may hold in place of a data file: "fifo" (a
// named pipe, which blocks a plain open), "zero" (a link to /dev/zero, which
// never ends), "sparse" (a 4 GB file that takes no room), "folder" or "empty".
// One process for every path: starting processes is what costs on a busy
// machine.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: hostile_entries fifo|zero|sparse|folder|empty PATH...\n");
    return 2;
  }
  const std::string kind = argv[1];
  int failed = 0;
  for (int i = 2; i < argc; ++i) {
    const char* path = argv[i];
    int r = 0;
    if (kind == "fifo") {
      r = mkfifo(path, 0600);
    } else if (kind == "zero") {
      r = symlink("/dev/zero", path);
    } else if (kind == "folder") {
      r = mkdir(path, 0755);
    } else if (kind == "sparse" || kind == "empty") {
      const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
      r = fd < 0 ? -1 : 0;
      if (fd >= 0 && kind == "sparse") r = ftruncate(fd, 4ll << 30);
      if (fd >= 0) close(fd);
    } else {
      std::fprintf(stderr, "hostile_entries: unknown kind %s\n", kind.c_str());
      return 2;
    }
    if (r != 0) {
      std::fprintf(stderr, "hostile_entries: %s: %s\n", path, std::strerror(errno));
      ++failed;
    }
  }
  return failed == 0 ? 0 : 1;
}

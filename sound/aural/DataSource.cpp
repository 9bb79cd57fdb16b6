#include "sound/aural/DataSource.h"

#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cAural {

namespace {
// Opens a regular file for reading without blocking on a pipe; null otherwise.
std::FILE* openRegularFile(const char* name, std::int64_t& size) {
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) {
    ::close(fd);
    return nullptr;
  }
  size = st.st_size;
  return f;
}
}  // namespace

cFileSource::cFileSource(const char* fileName) {
  if (fileName == nullptr || fileName[0] == '\0') return;
  std::int64_t size = 0;
  file_ = openRegularFile(fileName, size);
  if (file_ == nullptr) return;
  // Positions are signed 32-bit: a larger file cannot be addressed.
  if (size > std::numeric_limits<std::int32_t>::max()) {
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  valid_ = true;
  size_ = static_cast<std::int32_t>(size);
}

cFileSource::~cFileSource() {
  if (file_ != nullptr) std::fclose(file_);
}

std::int32_t cFileSource::getCurrentPos() {
  if (!valid_) return 0;
  const long pos = std::ftell(file_);
  if (pos < 0) return 0;
  return pos > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                         : static_cast<std::int32_t>(pos);
}

std::int32_t cFileSource::read(void* buffer, std::int32_t count) {
  if (!valid_ || buffer == nullptr || count <= 0) return 0;
  return static_cast<std::int32_t>(std::fread(buffer, 1, static_cast<std::size_t>(count), file_));
}

bool cFileSource::seek(std::int32_t offset, bool relative) {
  if (!valid_) return false;
  if (relative) {
    const long before = std::ftell(file_);
    if (before < 0 || std::fseek(file_, offset, SEEK_CUR) != 0) return false;
    return std::ftell(file_) == before + offset;
  }
  if (std::fseek(file_, offset, SEEK_SET) != 0) return false;
  return std::ftell(file_) == offset;
}

cMemorySource::cMemorySource(const void* data, std::int32_t size, bool copy) {
  if (data == nullptr || size <= 0) return;
  if (copy) {
    void* block = getMemoryProvider()->allocate(static_cast<std::uint32_t>(size), nullptr, -1, nullptr);
    if (block == nullptr) return;
    std::memcpy(block, data, static_cast<std::size_t>(size));
    data_ = static_cast<std::uint8_t*>(block);
  } else {
    data_ = static_cast<std::uint8_t*>(const_cast<void*>(data));
  }
  size_ = size;
  valid_ = true;
}

cMemorySource::~cMemorySource() { getMemoryProvider()->deallocate(data_); }

std::int32_t cMemorySource::read(void* buffer, std::int32_t count) {
  if (!valid_ || buffer == nullptr || count <= 0) return 0;
  const std::int32_t left = size_ - position_;
  const std::int32_t n = count > left ? left : count;
  if (n > 0) std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

bool cMemorySource::seek(std::int32_t offset, bool relative) {
  const std::int64_t target = relative ? static_cast<std::int64_t>(position_) + offset : offset;
  if (target < 0) {
    position_ = 0;
    return false;
  }
  if (target > size_) {
    position_ = size_;
    return false;
  }
  position_ = static_cast<std::int32_t>(target);
  return true;
}

IDataSource* cFileSourceFactory::createDataSource(const char* name, bool streamingRequested) {
  cMutexLock hold(mutex_);
  cFileSource* file = new cFileSource(name);
  if (streamingRequested || file == nullptr || !file->isValid()) return file;
  const std::int32_t size = file->getSize();
  void* block = getMemoryProvider()->allocate(static_cast<std::uint32_t>(size), nullptr, -1, nullptr);
  if (block == nullptr) return file;
  // The memory source holds only what was really read, and takes the block.
  const std::int32_t got = file->read(block, size);
  cMemorySource* memory = new cMemorySource(block, got, false);
  if (memory == nullptr) {
    getMemoryProvider()->deallocate(block);
    return file;
  }
  if (!memory->isValid()) {
    getMemoryProvider()->deallocate(block);  // an empty source did not take it
    memory->release();
    return file;
  }
  file->release();
  return memory;
}

cFileSourceFactory* getFileSourceFactory() {
  static cFileSourceFactory factory;
  return &factory;
}

}  // namespace cAural

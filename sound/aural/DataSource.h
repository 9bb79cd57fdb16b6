#pragma once
// Data sources: the readable, seekable byte streams the decoders read, and the
// factory that opens a file as one.
#include <cstdint>
#include <cstdio>

#include "sound/aural/AuralBase.h"

namespace cAural {

class CAURAL_API IDataSource : public IRefCounted {
 public:
  ~IDataSource() override = default;
  virtual bool isValid() = 0;
  virtual std::int32_t getCurrentPos() = 0;
  virtual std::int32_t getSize() = 0;
  // Copies at most count bytes into buffer; returns how many (0 for count <= 0).
  virtual std::int32_t read(void* buffer, std::int32_t count) = 0;
  virtual bool seek(std::int32_t offset, bool relative) = 0;
};

// A file opened for reading. Only regular files open: a pipe or a device
// could block or never end. The size is measured when the file opens.
class CAURAL_API cFileSource : public IDataSource, public cMemoryOverride {
 public:
  explicit cFileSource(const char* fileName);
  ~cFileSource() override;

  bool isValid() override { return valid_; }
  std::int32_t getCurrentPos() override;
  std::int32_t getSize() override { return size_; }
  std::int32_t read(void* buffer, std::int32_t count) override;
  // Seeking past the end succeeds, as with the C library.
  bool seek(std::int32_t offset, bool relative) override;

 private:
  bool valid_ = false;
  std::int32_t size_ = 0;
  std::FILE* file_ = nullptr;
};

// A block in memory, owned by the source and given back to the memory
// provider when it dies: a block handed over without a copy must come from
// IMemoryProvider::allocate.
class CAURAL_API cMemorySource : public IDataSource, public cMemoryOverride {
 public:
  cMemorySource(const void* data, std::int32_t size, bool copy);
  ~cMemorySource() override;

  bool isValid() override { return valid_; }
  std::int32_t getCurrentPos() override { return position_; }
  std::int32_t getSize() override { return size_; }
  std::int32_t read(void* buffer, std::int32_t count) override;
  // A target past the end stops at the end, one before the start at 0; both fail.
  bool seek(std::int32_t offset, bool relative) override;

 private:
  std::uint8_t* data_ = nullptr;
  std::int32_t size_ = 0;
  bool valid_ = false;
  std::int32_t position_ = 0;
};

// May be called from any thread (a manager calls it under its own lock).
class CAURAL_API IDataSourceFactory {
 public:
  virtual ~IDataSourceFactory() = default;
  // A new data source holding one reference, the caller's; null or an
  // invalid source when the name is not for it.
  virtual IDataSource* createDataSource(const char* name, bool streamingRequested) = 0;
};

// Without streaming, reads the whole file into a memory source and closes the
// file; with streaming (or when the file does not open) returns the file
// source itself, valid or not.
class CAURAL_API cFileSourceFactory : public IDataSourceFactory {
 public:
  IDataSource* createDataSource(const char* name, bool streamingRequested) override;

 private:
  cMutex mutex_;
};

// The process's one file-source factory.
CAURAL_API cFileSourceFactory* getFileSourceFactory();

}  // namespace cAural

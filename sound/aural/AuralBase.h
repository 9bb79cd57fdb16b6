#pragma once
// Foundation of the audio library: reference-counted objects, the one memory
// provider every library object and buffer is allocated through, and a
// recursive mutex. Kept free of the game's code so that it can live in the
// exported audio library as well as in the game.
//
// The audio library's headers need C++14 or later, and pull in no header of
// OpenAL, vorbisfile or any other dependency: a program that uses them may
// include those in its own way.
#if !defined(__cplusplus) || __cplusplus < 201402L
#error "The cAural audio library's headers need C++14 or later (for instance -std=c++14)."
#endif

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <new>
#include <string>
#include <thread>

// The library's version; the log file's head shows CAURAL_VERSION.
#define CAURAL_VERSION_MAJOR 2
#define CAURAL_VERSION_MINOR 0
#define CAURAL_VERSION_PATCH 0
#define CAURAL_VERSION "2.0.0"

#define CAURAL_API __attribute__((visibility("default")))

namespace cAural {

// Reference counted: an object starts with one reference, held by whoever
// made it (the caller of a create... function, unless that function says
// otherwise); release drops one and destroys the object with the last.
class CAURAL_API IRefCounted {
 public:
  IRefCounted() = default;
  IRefCounted(const IRefCounted&) = delete;
  IRefCounted& operator=(const IRefCounted&) = delete;
  virtual ~IRefCounted();

  void addRef() { count_.fetch_add(1, std::memory_order_relaxed); }
  // Drops one reference; destroys the object and returns true when none is left.
  bool release();
  std::int32_t getRefCount() const { return count_.load(std::memory_order_relaxed); }

 private:
  // Atomic: objects are shared with the audio manager's update thread.
  std::atomic<std::int32_t> count_{1};
};

class CAURAL_API IMemoryProvider {
 public:
  virtual ~IMemoryProvider() = default;
  // The debugging arguments are passed as null, -1 and null.
  virtual void* allocate(std::uint32_t size, const char* file, int line, const char* function) = 0;
  virtual void deallocate(void* pointer) = 0;
  virtual std::uint32_t getMaxAllocationSize() = 0;
};

class CAURAL_API cStandardMemoryProvider : public IMemoryProvider {
 public:
  void* allocate(std::uint32_t size, const char* file, int line, const char* function) override;
  void deallocate(void* pointer) override;
  std::uint32_t getMaxAllocationSize() override;
};

// The process's one provider.
CAURAL_API IMemoryProvider* getMemoryProvider();

// Base of every heap-allocated library class: its objects come from the
// provider. A failed allocation gives a null pointer from new, never a throw.
class CAURAL_API cMemoryOverride {
 public:
  static void* operator new(std::size_t size) noexcept;
  static void* operator new[](std::size_t size) noexcept;
  static void operator delete(void* pointer) noexcept;
  static void operator delete[](void* pointer) noexcept;
};

// Allocator for the library's strings and containers. Containers expect a
// throw on failure, so this one throws std::bad_alloc.
template <typename T>
class cAllocator {
 public:
  using value_type = T;
  cAllocator() noexcept = default;
  template <typename U>
  cAllocator(const cAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > max_size()) throw std::bad_alloc();
    void* p = getMemoryProvider()->allocate(static_cast<std::uint32_t>(n * sizeof(T)), nullptr, -1, nullptr);
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) noexcept { getMemoryProvider()->deallocate(p); }
  std::size_t max_size() const noexcept { return getMemoryProvider()->getMaxAllocationSize() / sizeof(T); }

  template <typename U>
  bool operator==(const cAllocator<U>&) const noexcept { return true; }
};

using cString = std::basic_string<char, std::char_traits<char>, cAllocator<char>>;

// Recursive: the owning thread may lock again. Unlocking from a thread that
// does not hold it does nothing. The lock itself exists from construction on
// (creating it on first use would let two first lockers both pass).
class CAURAL_API cMutex {
 public:
  cMutex() noexcept = default;
  cMutex(const cMutex&) = delete;
  cMutex& operator=(const cMutex&) = delete;
  ~cMutex() = default;

  void lock();
  void unlock();
  // Marks the mutex initialised; the lock needs no other preparation.
  void initialize() { initialised_.store(true); }
  bool isInitialized() const { return initialised_.load(); }

 private:
  std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  int depth_ = 0;  // touched only by the owner
  std::atomic<bool> initialised_{false};
};

// Holds a cMutex for a scope.
class cMutexLock {
 public:
  explicit cMutexLock(cMutex& m) : m_(m) { m_.lock(); }
  ~cMutexLock() { m_.unlock(); }
  cMutexLock(const cMutexLock&) = delete;
  cMutexLock& operator=(const cMutexLock&) = delete;

 private:
  cMutex& m_;
};

}  // namespace cAural

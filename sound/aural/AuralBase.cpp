#include "sound/aural/AuralBase.h"

#include <cstdlib>

namespace cAural {

IRefCounted::~IRefCounted() = default;

bool IRefCounted::release() {
  if (count_.fetch_sub(1, std::memory_order_acq_rel) - 1 < 1) {
    delete this;
    return true;
  }
  return false;
}

void* cStandardMemoryProvider::allocate(std::uint32_t size, const char*, int, const char*) {
  return std::malloc(size);
}

void cStandardMemoryProvider::deallocate(void* pointer) {
  if (pointer != nullptr) std::free(pointer);
}

std::uint32_t cStandardMemoryProvider::getMaxAllocationSize() { return 0xFFFFFFFFu; }

IMemoryProvider* getMemoryProvider() {
  // Never destroyed: objects freed during exit (after other statics died)
  // still give their memory back through it.
  static cStandardMemoryProvider* provider = new cStandardMemoryProvider;
  return provider;
}

namespace {
void* allocateObject(std::size_t size) noexcept {
  // The provider takes 32-bit sizes: a larger request must fail, not wrap.
  if (size > std::numeric_limits<std::uint32_t>::max()) return nullptr;
  return getMemoryProvider()->allocate(static_cast<std::uint32_t>(size), nullptr, -1, nullptr);
}
}  // namespace

void* cMemoryOverride::operator new(std::size_t size) noexcept { return allocateObject(size); }
void* cMemoryOverride::operator new[](std::size_t size) noexcept { return allocateObject(size); }
void cMemoryOverride::operator delete(void* pointer) noexcept { getMemoryProvider()->deallocate(pointer); }
void cMemoryOverride::operator delete[](void* pointer) noexcept { getMemoryProvider()->deallocate(pointer); }

void cMutex::lock() {
  const std::thread::id me = std::this_thread::get_id();
  if (owner_.load(std::memory_order_acquire) == me) {
    ++depth_;
    return;
  }
  mutex_.lock();
  owner_.store(me, std::memory_order_release);
  depth_ = 1;
  initialised_.store(true);
}

void cMutex::unlock() {
  if (!initialised_.load() || owner_.load(std::memory_order_acquire) != std::this_thread::get_id()) return;
  if (--depth_ == 0) {
    owner_.store(std::thread::id(), std::memory_order_release);
    mutex_.unlock();
  }
}

}  // namespace cAural

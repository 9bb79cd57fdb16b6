#pragma once
// A shared library opened at the first call into it rather than at start-up:
// the game's movies, network and database libraries (with the scores of
// libraries they bring) are not needed to show the first screen. Each
// function the game calls is defined once, in the code that uses the
// library, by QM_LAZY_FUNCTION below, with the signature of the library's own
// header (a mismatch does not compile); it looks the real function up in the
// library on its first call. When the library cannot be opened, the reason is
// printed once and every such function answers with the failure given.
#include <mutex>
#include <string>
#include <type_traits>

namespace platform {

class LazyLibrary {
 public:
  explicit LazyLibrary(std::string soname) : soname_(std::move(soname)) {}
  LazyLibrary(const LazyLibrary&) = delete;
  LazyLibrary& operator=(const LazyLibrary&) = delete;

  // The address of a function of the library; null when the library or the
  // function is missing (said once on standard error).
  void* symbol(const char* name);
  // Whether the library is open (after the first symbol asked for).
  bool isOpen() const { return handle_ != nullptr; }
  const std::string& soname() const { return soname_; }

 private:
  void open();

  std::string soname_;
  std::once_flag opened_;
  void* handle_ = nullptr;
};

// The answer of a function whose library cannot be opened.
template <typename R, typename F>
R lazyFailure(F failure) {
  if constexpr (std::is_void_v<R>) {
    (void)failure;
  } else if constexpr (std::is_pointer_v<R>) {
    (void)failure;
    return nullptr;
  } else {
    return static_cast<R>(failure);
  }
}

}  // namespace platform

// Defines the C function `name` (result, parameter list and argument list as
// written in the library's header) as a call into `library` (a LazyLibrary).
#define QM_LAZY_FUNCTION(library, failure, result, name, params, args)                                 \
  extern "C" result name params {                                                                    \
    static const auto real = reinterpret_cast<decltype(&::name)>((library).symbol(#name));           \
    if (real == nullptr) return platform::lazyFailure<result>(failure);                              \
    return real args;                                                                                \
  }

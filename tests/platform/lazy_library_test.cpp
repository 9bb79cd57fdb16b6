// Libraries opened at the first call into them.
#include <gtest/gtest.h>
#include <link.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "platform/LazyLibrary.h"

namespace {

platform::LazyLibrary& zlib() {
  static platform::LazyLibrary library("libz.so.1");
  return library;
}

platform::LazyLibrary& missing() {
  static platform::LazyLibrary library("libqm-no-such-library.so.7");
  return library;
}

bool isLoaded(const char* soname) {
  struct Search {
    const char* name;
    bool found;
  } search{soname, false};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_name != nullptr && std::strstr(info->dlpi_name, s->name) != nullptr) s->found = true;
        return 0;
      },
      &search);
  return search.found;
}

}  // namespace

// zlib is not linked into this test: these are the only definitions.
QM_LAZY_FUNCTION(zlib(), 0, const char*, zlibVersion, (void), ())
QM_LAZY_FUNCTION(zlib(), Z_VERSION_ERROR, int, deflateEnd, (z_streamp strm), (strm))
// A function of a library that is not there answers with its failure.
extern "C" int qmNoSuchFunction(int);
QM_LAZY_FUNCTION(missing(), -38, int, qmNoSuchFunction, (int x), (x))

TEST(LazyLibrary, OpensTheLibraryAtTheFirstCallAndCallsTheRealFunction) {
  EXPECT_FALSE(isLoaded("libz.so.1"));
  EXPECT_FALSE(zlib().isOpen());
  const std::string version = zlibVersion();
  EXPECT_TRUE(zlib().isOpen());
  EXPECT_TRUE(isLoaded("libz.so.1"));
  // The real zlib's answer: its version, major and minor as the header's.
  EXPECT_EQ(version.substr(0, 3), std::string(ZLIB_VERSION).substr(0, 3));
  z_stream never{};
  EXPECT_EQ(deflateEnd(&never), Z_STREAM_ERROR);  // the real one's answer, not the failure given
}

TEST(LazyLibrary, AMissingLibraryIsSaidOnceAndEveryFunctionAnswersItsFailure) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(qmNoSuchFunction(1), -38);
  EXPECT_EQ(qmNoSuchFunction(2), -38);
  const std::string said = testing::internal::GetCapturedStderr();
  const std::string line = "cannot open libqm-no-such-library.so.7:";
  const std::size_t first = said.find(line);
  EXPECT_NE(first, std::string::npos) << said;
  EXPECT_EQ(said.find(line, first + 1), std::string::npos) << said;  // once
  EXPECT_FALSE(missing().isOpen());
  EXPECT_EQ(missing().symbol("anything"), nullptr);
}

TEST(LazyLibrary, AFunctionTheLibraryLacksIsSaidAndNull) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(zlib().symbol("qmNoSuchFunctionInZlib"), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("libz.so.1 has no function qmNoSuchFunctionInZlib"),
            std::string::npos);
}

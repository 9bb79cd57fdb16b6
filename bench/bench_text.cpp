// Localized text: loading a language's nine banks, expanding texts with
// markers, and decoding UTF-8 as the fonts do.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "app/LocalizedText.h"
#include "tools/textbank_writer.h"

namespace {

// Two languages of nine banks of 1,000 strings of about 40 bytes, in a
// temporary folder that becomes the working folder.
class TextTree {
 public:
  TextTree() {
    char tmpl[] = "/tmp/qm_bench_XXXXXX";
    if (mkdtemp(tmpl) == nullptr) std::abort();
    root_ = tmpl;
    std::filesystem::create_directories(root_ / "text");
    for (int language = 0; language < 2; ++language) {
      textbank::Banks banks;
      for (auto& bank : banks) {
        for (int i = 0; i < 1000; ++i) {
          bank.push_back("Text number " + std::to_string(i) + " \xC3\xA9t\xC3\xA9 " + textbank::markerBytes(0) +
                         " of language " + std::to_string(language));
        }
      }
      write("text/" + std::to_string(language), textbank::encodeBankFile(banks));
    }
    write("text/I", textbank::encodeLanguageList({{"English", "en"}, {"Fran\xC3\xA7" "ais", "fr"}}));
    std::filesystem::current_path(root_);
  }
  ~TextTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

 private:
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
  }
  std::filesystem::path root_;
};

TextTree& tree() {
  static TextTree t;
  return t;
}

void BM_LanguageChange_9x1000Strings(benchmark::State& state) {
  tree();
  resetTexts();
  initTexts();
  int language = 0;
  for (auto _ : state) {
    language = 1 - language;
    setLanguageIndex(language);
    benchmark::DoNotOptimize(getText(0x00080000 | 999));
  }
  resetTexts();
}
BENCHMARK(BM_LanguageChange_9x1000Strings)->Unit(benchmark::kMillisecond);

void BM_ExpandText_200Bytes(benchmark::State& state) {
  std::string s;
  while (s.size() < 200) s += "Sheep \xC3\xA9 " + textbank::markerBytes(5) + " wolves ";
  setMarkerValue(12345);
  for (auto _ : state) benchmark::DoNotOptimize(expandTextMarkers(s.c_str(), "12", "34"));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_ExpandText_200Bytes);

void BM_DecodeUtf8_1MB(benchmark::State& state) {
  std::string s;
  while (s.size() < (1 << 20)) s += "abc \xC3\xA9\xC3\xA8 \xE2\x82\xAC \xE2\x84\xA2 xyz ";
  for (auto _ : state) {
    std::uint32_t sum = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.c_str());
    while (*p != 0) {
      int length = 1;
      sum += decodeUtf8Char(p, &length);
      p += length;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_DecodeUtf8_1MB)->Unit(benchmark::kMillisecond);

}  // namespace

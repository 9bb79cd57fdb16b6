// Plug-ins for the tests, one kind per build (PLUGIN_KIND):
//   1 tone:    a decoder for "cAp-tone HZ SECONDS" text files (extension "tone")
//   2 pattern: a data source "Pattern" that makes such a file from a name
//              "pattern:HZ SECONDS.tone"
//   3 refuse:  install says no;  4 null: GetPluginModule gives nothing;
//   5 no entry point at all;  6 asks: install asks for the plug-in manager.
// Each reports its calls through capTestCount, and says on standard output
// that it is released when CAP_TEST_SAY_RELEASE is set.
#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "caural/Aural.h"

using namespace cAural;

namespace {

// Notifications come from whichever thread makes or ends a manager.
std::atomic<int> installs{0}, created{0}, destroyed{0}, deaths{0}, sawManager{0};

constexpr std::int32_t kRate = 22050;

class cToneDecoder : public IAudioDecoder, public cMemoryOverride {
 public:
  explicit cToneDecoder(IDataSource* source) : IAudioDecoder(source) {
    char text[64] = {};
    if (!hasUsableSource() || source->getSize() <= 0 || source->getSize() >= static_cast<std::int32_t>(sizeof text))
      return;
    source->seek(0, false);
    if (source->read(text, source->getSize()) != source->getSize()) return;
    float seconds = 0.0f;
    if (std::sscanf(text, "cAp-tone %f %f", &hz_, &seconds) != 2 || hz_ <= 0.0f || seconds <= 0.0f ||
        seconds > 60.0f)
      return;
    frames_ = static_cast<std::int32_t>(seconds * kRate);
    valid_ = true;
  }
  AudioFormat getFormat() override { return FORMAT_MONO16; }
  std::int32_t getFrequency() override { return kRate; }
  bool isSeekable() override { return true; }
  bool isValid() override { return valid_; }
  std::int32_t readAudioData(void* buffer, std::int32_t count) override {
    auto* out = static_cast<std::int16_t*>(buffer);
    std::int32_t n = 0;
    while (n + 2 <= count && frame_ < frames_) {
      out[n / 2] = static_cast<std::int16_t>(8000.0 * std::sin(2.0 * M_PI * hz_ * frame_ / kRate));
      ++frame_;
      n += 2;
    }
    return n;
  }
  bool setPosition(std::int32_t position, bool relative) override {
    frame_ = std::max(0, std::min(frames_, (relative ? frame_ * 2 + position : position) / 2));
    return true;
  }
  bool seek(float seconds, bool relative) override {
    return setPosition(static_cast<std::int32_t>(seconds * kRate) * 2, relative);
  }
  float getTotalTime() override { return static_cast<float>(frames_) / kRate; }
  std::int32_t getTotalSize() override { return frames_ * 2; }
  std::int32_t getCompressedSize() override { return source_ != nullptr ? source_->getSize() : 0; }
  float getCurrentTime() override { return static_cast<float>(frame_) / kRate; }
  std::int32_t getCurrentPosition() override { return frame_ * 2; }
  std::int32_t getCurrentCompressedPosition() override { return 0; }

 private:
  float hz_ = 0.0f;
  std::int32_t frames_ = 0;
  std::int32_t frame_ = 0;
  bool valid_ = false;
};

class cToneFactory : public IAudioDecoderFactory {
 public:
  IAudioDecoder* createAudioDecoder(IDataSource* source) override { return new cToneDecoder(source); }
} toneFactory;

class cPatternFactory : public IDataSourceFactory {
 public:
  IDataSource* createDataSource(const char* name, bool) override {
    const std::string n = name != nullptr ? name : "";
    if (n.rfind("pattern:", 0) != 0 || n.size() < 13) return nullptr;
    const std::string text = "cAp-tone " + n.substr(8, n.size() - 13);
    return new cMemorySource(text.data(), static_cast<std::int32_t>(text.size()), true);
  }
} patternFactory;

class cTestPlugin : public IAudioPlugin, public cMemoryOverride {
 public:
  ~cTestPlugin() override {
    ++deaths;
    if (std::getenv("CAP_TEST_SAY_RELEASE") != nullptr) {
      std::printf("%s released\n", getName());
      std::fflush(stdout);
    }
  }
  bool install(ILogger* logger) override {
    ++installs;
    // During the autoload too: the manager that is loading us.
    if (PLUGIN_KIND == 6 && getPluginManager() != nullptr) ++sawManager;
    logger->logInfo("TestPlugin", "%s installed.", getName());
    return PLUGIN_KIND != 3;
  }
  const char* getName() override {
    // The file's own name, so that copies under other names tell apart.
    if (name_.empty()) {
      Dl_info info{};
      dladdr(reinterpret_cast<void*>(&capTestAnchor), &info);
      std::string path = info.dli_fname != nullptr ? info.dli_fname : "cAp_unknown.so";
      path = path.substr(path.rfind('/') + 1);
      name_ = path.substr(0, path.size() - 3);
    }
    return name_.c_str();
  }
  const char* getVersion() override { return "1.0"; }
  void onManagerCreated(IAudioManager* manager) override {
    ++created;
    if (PLUGIN_KIND == 1) manager->registerDecoder(&toneFactory, "tone");
    if (PLUGIN_KIND == 2) manager->registerDataSource(&patternFactory, "Pattern", 10);
  }
  void uninstall() override {}
  void onManagerDestroyed(IAudioManager* manager) override {
    ++destroyed;
    if (PLUGIN_KIND == 1) manager->unregisterDecoder("tone");
    if (PLUGIN_KIND == 2) manager->unregisterDataSource("Pattern");
  }
  static void capTestAnchor() {}

 private:
  std::string name_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int capTestCount(const char* what) {
  if (std::strcmp(what, "install") == 0) return installs;
  if (std::strcmp(what, "created") == 0) return created;
  if (std::strcmp(what, "destroyed") == 0) return destroyed;
  if (std::strcmp(what, "deaths") == 0) return deaths;
  if (std::strcmp(what, "sawManager") == 0) return sawManager;
  return -1;
}

#if PLUGIN_KIND != 5
extern "C" __attribute__((visibility("default"))) IAudioPlugin* GetPluginModule(const char* version) {
  if (PLUGIN_KIND == 4 || std::strcmp(version, CAURAL_PLUGIN_VERSION) != 0) return nullptr;
  return new cTestPlugin;
}
#endif

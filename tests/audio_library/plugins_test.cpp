// Plug-ins through the library's public interface: what the first use loads
// from the working folder, plug-in decoders and data sources in managers made
// before and after, and the exported functions' update thread.
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "AuralTestSupport.h"
#include "caural/Aural.h"

using namespace cAural;
namespace fs = std::filesystem;

namespace {

// The working folder of the test program, with the plug-in files copied
// under the names the autoload must take or leave.
class PluginFolder : public qmtest::InTempFolder {
 public:
  void SetUp() override {
    const fs::path d = dir().path();
    auto copy = [&d](const char* from, const char* to) { fs::copy_file(from, d / to); };
    copy(QM_PLUGIN_PATTERN, "cAp_a.so");
    copy(QM_PLUGIN_PATTERN, "cAp_.so");
    copy(QM_PLUGIN_TONE, "cAp_b.SO");
    copy(QM_PLUGIN_TONE, "xcAp_c.so");
    copy(QM_PLUGIN_TONE, "cAp_d.so.old");
    copy(QM_PLUGIN_REFUSE, "cAp_refuse.so");
    copy(QM_PLUGIN_NULL, "cAp_null.so");
    copy(QM_PLUGIN_NOSYM, "cAp_nosym.so");
    copy(QM_PLUGIN_ASKS, "cAp_asks.so");
    fs::create_directory(d / "cAp_dir.so");
    dir().write("cAp_broken.so", "not a library");
    qmtest::InTempFolder::SetUp();
  }
};
PluginFolder* const folder = static_cast<PluginFolder*>(::testing::AddGlobalTestEnvironment(new PluginFolder));

// A counter of the plug-in library loaded from path (it must be loaded).
int count(const std::string& path, const char* what) {
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h == nullptr) return -100;
  auto f = reinterpret_cast<int (*)(const char*)>(dlsym(h, "capTestCount"));
  const int n = f != nullptr ? f(what) : -200;
  dlclose(h);
  return n;
}

std::string inFolder(const char* name) { return (folder->dir().path() / name).string(); }

int threadCount() {
  int n = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator("/proc/self/task")) ++n;
  return n;
}

// Index of the first captured line holding text (the count if none does).
std::size_t firstLine(qmtest::CapturingReceiver& c, const std::string& text) {
  const auto lines = c.lines();
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].message.find(text) != std::string::npos) return i;
  return lines.size();
}

}  // namespace

TEST(Plugins, FirstUseLoadsExactlyTheMatchingFilesInOrder) {
  qmtest::ScopedCapture capture;
  IPluginManager* plugins = getPluginManager();
  EXPECT_EQ(plugins->getPluginCount(), 3u);
  EXPECT_TRUE(plugins->isPluginInstalled("cAp_"));
  EXPECT_TRUE(plugins->isPluginInstalled("cAp_a"));
  // Its install asked for the plug-in manager while that was loading it.
  EXPECT_TRUE(plugins->isPluginInstalled("cAp_asks"));
  EXPECT_EQ(count(inFolder("cAp_asks.so"), "sawManager"), 1);
  EXPECT_FALSE(plugins->isPluginInstalled("cAp_refuse"));
  EXPECT_EQ(count(inFolder("cAp_refuse.so"), "install"), 1);
  EXPECT_EQ(count(inFolder("cAp_b.SO"), "install"), -100);
  EXPECT_EQ(count(inFolder("xcAp_c.so"), "install"), -100);
  // The files that failed were let go of.
  EXPECT_EQ(count(inFolder("cAp_null.so"), "install"), -100);
  EXPECT_EQ(count(inFolder("cAp_nosym.so"), "install"), -100);
  // One line per file, in byte order of the names.
  const char* order[] = {"cAp_ installed.", "cAp_a installed.", "cAp_asks installed.", "/cAp_broken.so ",
                         "/cAp_dir.so ",    "/cAp_nosym.so ",   "/cAp_null.so ",        "cAp_refuse installed."};
  for (std::size_t i = 1; i < std::size(order); ++i)
    EXPECT_LT(firstLine(capture, order[i - 1]), firstLine(capture, order[i])) << order[i - 1] << " / " << order[i];
  EXPECT_LT(firstLine(capture, order[std::size(order) - 1]), capture.lines().size());
  EXPECT_EQ(plugins->getPlugin("nope"), nullptr);
  plugins->uninstallPluginByName("nope");
  EXPECT_EQ(plugins->getPluginCount(), 3u);
}

// A plug-in hears of the managers made while it is installed, and of those
// only: installing and uninstalling tell no manager.
TEST(Plugins, ManagersMadeAfterTheInstallGetAPluginsDecoder) {
  IPluginManager* plugins = getPluginManager();
  IAudioManager* before = createAudioManager(true);
  ASSERT_NE(before, nullptr);
  EXPECT_TRUE(before->isDataSourceRegistered("Pattern"));
  ASSERT_TRUE(plugins->installPluginFromFile(QM_PLUGIN_TONE, nullptr));
  EXPECT_TRUE(plugins->isPluginInstalled("cAp_tone"));
  EXPECT_EQ(count(QM_PLUGIN_TONE, "created"), 0);
  EXPECT_FALSE(before->isDecoderRegistered("tone"));
  IAudioManager* after = createAudioManager(true);
  EXPECT_EQ(count(QM_PLUGIN_TONE, "created"), 1);
  EXPECT_TRUE(after->isDecoderRegistered("tone"));
  EXPECT_EQ(before->createSourceFromFile("tone", "pattern:660 0.15.tone", false), nullptr);

  // Made by one plug-in's data source and decoded by the other's decoder.
  IAudioSource* s = after->createSourceFromFile("tone", "pattern:660 0.15.tone", false);
  ASSERT_NE(s, nullptr);
  EXPECT_NEAR(s->getTotalTime(), 0.15f, 0.01f);
  struct Watch : ISourceEventHandler {
    std::atomic<int> stops{0};
    void onUpdate() override {}
    void onRelease() override {}
    void onPlay() override {}
    void onStop() override { ++stops; }
    void onPause() override {}
  } w;
  s->registerEventHandler(&w);
  s->play();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (w.stops == 0 && std::chrono::steady_clock::now() < end) cAuralSleep(5);
  EXPECT_EQ(w.stops.load(), 1);
  after->releaseSource(s);

  plugins->uninstallPluginByName("cAp_tone");
  EXPECT_EQ(count(QM_PLUGIN_TONE, "deaths"), 1);
  EXPECT_EQ(count(QM_PLUGIN_TONE, "destroyed"), 0);
  // Its library stays mapped: the decoder it left in a manager still works.
  EXPECT_TRUE(after->isDecoderRegistered("tone"));
  s = after->createSourceFromFile("again", "pattern:440 0.1.tone", false);
  EXPECT_NE(s, nullptr);
  const int destroyedBefore = count(inFolder("cAp_a.so"), "destroyed");
  destroyAudioManager(before);
  destroyAudioManager(after);
  EXPECT_EQ(count(inFolder("cAp_a.so"), "destroyed"), destroyedBefore + 2);
  EXPECT_EQ(count(QM_PLUGIN_TONE, "destroyed"), 0);
  EXPECT_EQ(count(inFolder("cAp_refuse.so"), "created"), 0);
}

TEST(Plugins, ObjectsInstalledByTheCallerStayTheCallers) {
  struct Local : IAudioPlugin {
    bool install(ILogger*) override { return true; }
    const char* getName() override { return "local"; }
    const char* getVersion() override { return "1"; }
    void onManagerCreated(IAudioManager*) override { ++created; }
    void uninstall() override {}
    void onManagerDestroyed(IAudioManager*) override { ++destroyed; }
    int created = 0, destroyed = 0;
  };
  auto* local = new Local;
  IPluginManager* plugins = getPluginManager();
  EXPECT_FALSE(plugins->installPlugin(nullptr, "x"));
  ASSERT_TRUE(plugins->installPlugin(local, ""));
  EXPECT_EQ(plugins->getPlugin("local"), local);
  IAudioManager* m = createAudioManager(false);
  EXPECT_EQ(local->created, 1);
  plugins->uninstallPlugin(local);
  EXPECT_EQ(local->destroyed, 0);
  EXPECT_EQ(local->getRefCount(), 1);
  destroyAudioManager(m);
  EXPECT_EQ(local->destroyed, 0);  // no longer installed
  local->IRefCounted::release();
}

TEST(UpdateThread, RunsWhileAManagerLives) {
  const int idle = threadCount();
  EXPECT_FALSE(isAudioManagerThreadRunning());
  IAudioManager* a = createAudioManager(false);
  IAudioManager* b = createAudioManager(false);
  EXPECT_TRUE(isAudioManagerThreadRunning());
  EXPECT_EQ(threadCount(), idle + 1);
  destroyAudioManager(a);
  EXPECT_TRUE(isAudioManagerThreadRunning());
  destroyAudioManager(b);
  EXPECT_FALSE(isAudioManagerThreadRunning());
  EXPECT_EQ(threadCount(), idle);  // ended, not only told to
  destroyAudioManager(b);  // twice: ignored
  IAudioManager* c = createAudioManager(false);
  EXPECT_EQ(threadCount(), idle + 1);
  destroyAudioManager(c);
}

namespace {

// Destroys its manager from the stop handler, which the update thread raises.
struct DestroyOnStop : ISourceEventHandler {
  IAudioManager* manager = nullptr;
  bool alsoCreate = false;
  std::atomic<int> stops{0};
  std::atomic<IAudioManager*> made{nullptr};
  void onUpdate() override {}
  void onRelease() override {}
  void onPlay() override {}
  void onPause() override {}
  void onStop() override {
    if (stops++ != 0) return;
    destroyAudioManager(manager);
    if (alsoCreate) made = createAudioManager(false);
  }
};

// Waits up to ms for pred; true when it held.
template <typename P>
bool waitFor(P pred, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    cAuralSleep(1);
  }
  return true;
}

// A manager with a short sound playing that h destroys when it stops.
void playUntilDestroyed(DestroyOnStop& h) {
  h.manager = createAudioManager(true);
  ASSERT_NE(h.manager, nullptr);
  static const std::vector<char> pcm(2 * 2205, 0);
  IAudioSource* s = h.manager->createSourceFromRaw("short", pcm.data(), static_cast<std::int32_t>(pcm.size()), 22050,
                                                   FORMAT_MONO16);
  ASSERT_NE(s, nullptr);
  s->registerEventHandler(&h);
  s->play();
}

}  // namespace

TEST(UpdateThread, HandlerDestroysItsManagerOnTheUpdateThread) {
  const int idle = threadCount();
  DestroyOnStop h;
  playUntilDestroyed(h);
  EXPECT_TRUE(waitFor([] { return !isAudioManagerThreadRunning(); }, 3000));
  EXPECT_EQ(h.stops.load(), 1);
  // The thread ends once it has finished the manager (slow under sanitizers).
  EXPECT_TRUE(waitFor([&] { return threadCount() == idle; }, 3000));
  waitFor([&] { return threadCount() == idle; }, 3000);  // h stays until the thread is gone
  destroyAudioManager(h.manager);  // done already: ignored
  EXPECT_FALSE(isAudioManagerThreadRunning());
}

TEST(UpdateThread, ManagerMadeFromAHandlerKeepsOneThread) {
  const int idle = threadCount();
  DestroyOnStop h;
  h.alsoCreate = true;
  playUntilDestroyed(h);
  ASSERT_TRUE(waitFor([&] { return h.made.load() != nullptr; }, 3000));
  // The replaced thread ends after finishing the old manager.
  EXPECT_TRUE(waitFor([&] { return threadCount() == idle + 1; }, 3000));
  cAuralSleep(20);
  EXPECT_EQ(threadCount(), idle + 1);
  EXPECT_TRUE(isAudioManagerThreadRunning());
  destroyAudioManager(h.made);
  EXPECT_TRUE(waitFor([&] { return threadCount() == idle; }, 3000));
}

// The update thread copies an effect's filter into the sends while the caller
// swaps that filter, the effect holding its only reference.
TEST(UpdateThread, EffectFilterSwappedWhileSendsAreRefreshed) {
  IAudioManager* m = createAudioManager(true);
  ASSERT_NE(m, nullptr);
  static const std::vector<char> pcm(2 * 22050, 0);
  IAudioSource* s = m->createSourceFromRaw("loop", pcm.data(), static_cast<std::int32_t>(pcm.size()), 22050,
                                           FORMAT_MONO16);
  ASSERT_NE(s, nullptr);
  IEffect* e = m->getEffects()->createEffect();
  ASSERT_NE(e, nullptr);
  e->setType(EFFECT_ECHO);
  ASSERT_TRUE(s->attachEffect(0, e));
  s->setLooping(true);
  s->play();
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
  int swaps = 0;
  while (std::chrono::steady_clock::now() < end) {
    IFilter* f = m->getEffects()->createFilter();
    ASSERT_NE(f, nullptr);
    f->setType(FILTER_LOWPASS);
    e->attachFilter(f);
    f->release();
    cAuralSleep(2);  // an update pass reads it
    e->detachFilter();
    ++swaps;
  }
  EXPECT_GT(swaps, 0);
  s->detachEffect(0);
  e->release();
  destroyAudioManager(m);
}

TEST(UpdateThread, ManyThreadsCreateAndDestroy) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 20; ++i) {
        IAudioManager* m = createAudioManager(false);
        m->update();
        destroyAudioManager(m);
        destroyAudioManager(m);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_FALSE(isAudioManagerThreadRunning());
}

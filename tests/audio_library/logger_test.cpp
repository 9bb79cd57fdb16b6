// The audio library's logger and its console and HTML-file receivers, through
// the shared library's public interface.
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "AuralTestSupport.h"
#include "caural/ILogger.h"

using namespace cAural;
using qmtest::CapturingReceiver;
using qmtest::ScopedCapture;

namespace {

qmtest::InTempFolder* folder = static_cast<qmtest::InTempFolder*>(
    ::testing::AddGlobalTestEnvironment(new qmtest::InTempFolder));

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Restores the level after a test changes it.
class LoggerTest : public ::testing::Test {
 protected:
  void TearDown() override { getLogger()->setLogLevel(LOG_INFORMATION); }
};

const char* const kExpectedHead =
    "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\n"
    "<title>cAural Log</title>\n<style type=\"text/css\">\nbody, html {\nbackground: #000000;\nwidth: 1000px;\n"
    "font-family: Arial;\nfont-size: 16px;\ncolor: #C0C0C0;\n}\nh1 {\ncolor : #FFFFFF;\n"
    "border-bottom : 1px dotted #888888;\n}\npre {\nfont-family : arial;\nmargin : 0;\n}\n.box {\n"
    "border : 1px dotted #818286;\npadding : 5px;\nmargin: 5px;\nwidth: 950px;\nbackground-color : #292929;\n}\n"
    ".err {\ncolor: #EE1100;\nfont-weight: bold\n}\n.warn {\ncolor: #FFCC00;\nfont-weight: bold\n}\n"
    ".crit {\ncolor: #BB0077;\nfont-weight: bold\n}\n.info {\ncolor: #C0C0C0;\n}\n.debug {\ncolor: #CCA0A0;\n}\n"
    "</style>\n</head>\n\n<body>\n<h1>cAural Log</h1>\n<h3>2.0.0</h3>\n<div class=\"box\">\n<table>\n";

}  // namespace

TEST_F(LoggerTest, LevelFiltersMessages) {
  ScopedCapture capture;
  ASSERT_EQ(getLogger()->getLogLevel(), LOG_INFORMATION);
  getLogger()->logDebug("t", "hidden");
  getLogger()->logInfo("t", "shown %d", 1);
  getLogger()->setLogLevel(LOG_CRITICAL);
  getLogger()->logError("t", "hidden");
  getLogger()->logCritical("t", "shown %s", "2");
  const LogLevel beyond = static_cast<LogLevel>(5);
  getLogger()->setLogLevel(beyond);
  getLogger()->logCritical("t", "hidden");
  getLogger()->setLogLevel(LOG_DEBUG);
  getLogger()->logDebug("t", "shown 3");
  const auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].message, "shown 1");
  EXPECT_EQ(lines[0].level, LOG_INFORMATION);
  EXPECT_EQ(lines[1].message, "shown 2");
  EXPECT_EQ(lines[1].level, LOG_CRITICAL);
  EXPECT_EQ(lines[2].level, LOG_DEBUG);
}

TEST_F(LoggerTest, LongMessageIsCutTo2047) {
  ScopedCapture capture;
  const std::string longText(3000, 'x');
  getLogger()->logWarning("t", "%s", longText.c_str());
  ASSERT_EQ(capture.lines().size(), 1u);
  EXPECT_EQ(capture.lines()[0].message, std::string(2047, 'x'));
}

TEST_F(LoggerTest, ReceiversByNameInNameOrder) {
  ILogger* log = getLogger();
  EXPECT_TRUE(log->isLogReceiverRegistered("Console"));
  EXPECT_TRUE(log->isLogReceiverRegistered("File"));

  std::vector<std::string> order;
  struct Named : ILogReceiver {
    Named(std::vector<std::string>* o, std::string n) : order(o), name(std::move(n)) {}
    bool receiveMessage(const char*, const char*, LogLevel, float) override {
      order->push_back(name);
      return true;
    }
    std::vector<std::string>* order;
    std::string name;
  } b(&order, "b"), a(&order, "a"), empty(&order, "");
  EXPECT_TRUE(log->registerLogReceiver(&b, "zz-b"));
  EXPECT_TRUE(log->registerLogReceiver(&a, "zz-a"));
  EXPECT_TRUE(log->registerLogReceiver(&empty, nullptr));
  EXPECT_TRUE(log->isLogReceiverRegistered(""));
  EXPECT_EQ(log->getLogReceiver(""), &empty);
  EXPECT_EQ(log->getLogReceiver("zz-a"), &a);
  EXPECT_EQ(log->getLogReceiver("nope"), nullptr);
  log->logInfo("t", "one");
  EXPECT_EQ(order, (std::vector<std::string>{"", "a", "b"}));

  // Replacing under a name, and removing.
  log->registerLogReceiver(&a, "zz-b");
  log->unregisterLogReceiver(nullptr);
  log->unregisterLogReceiver("zz-a");
  log->unregisterLogReceiver("never there");
  order.clear();
  log->logInfo("t", "two");
  EXPECT_EQ(order, (std::vector<std::string>{"a"}));
  log->unregisterLogReceiver("zz-b");
  EXPECT_FALSE(log->isLogReceiverRegistered("zz-b"));
  order.clear();
  log->logInfo("t", "three");
  EXPECT_TRUE(order.empty());
}

TEST_F(LoggerTest, ConsoleCanBeReplaced) {
  ILogger* log = getLogger();
  ILogReceiver* builtIn = log->getLogReceiver("Console");
  ASSERT_NE(builtIn, nullptr);
  CapturingReceiver mine;
  log->registerLogReceiver(&mine, "Console");
  log->logError("Sender", "through mine");
  log->registerLogReceiver(builtIn, "Console");
  ASSERT_EQ(mine.lines().size(), 1u);
  EXPECT_EQ(mine.lines()[0].sender, "Sender");

  testing::internal::CaptureStdout();
  log->logWarning("Sender", "to the console");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "[Warning] to the console\n");
}

TEST_F(LoggerTest, HtmlFileKeepsFirstMessageEscaped) {
  const std::string path = folder->dir().str() + "/own.html";
  cFileLogReceiver file(path.c_str());
  EXPECT_FALSE(file.isHeaderWritten());
  EXPECT_TRUE(file.receiveMessage("s", "first <b>&</b>", LOG_ERROR, 1.5f));
  EXPECT_TRUE(file.isHeaderWritten());
  EXPECT_TRUE(file.receiveMessage("s", "second", LOG_CRITICAL, 2.0f));
  EXPECT_TRUE(file.receiveMessage("s", "third", static_cast<LogLevel>(9), 0.25f));
  EXPECT_EQ(readFile(path), std::string(kExpectedHead) +
                                "<tr>\n<td width=\"100\">1.5</td>\n<td class=\"err\"><pre>first &lt;b&gt;&amp;&lt;/b&gt;\n"
                                "</pre></td>\n</tr>\n"
                                "<tr>\n<td width=\"100\">2</td>\n<td class=\"crit\"><pre>second\n</pre></td>\n</tr>\n"
                                "<tr>\n<td width=\"100\">0.25</td>\n<td class=\"debug\"><pre>third\n</pre></td>\n</tr>\n");
}

TEST_F(LoggerTest, HtmlFileRetriesWhenItCannotOpen) {
  const std::string path = folder->dir().str() + "/no/such/folder/log.html";
  cFileLogReceiver file(path.c_str());
  EXPECT_FALSE(file.receiveMessage("s", "lost", LOG_INFORMATION, 0.0f));
  EXPECT_FALSE(file.isHeaderWritten());
}

TEST_F(LoggerTest, BuiltInFileReceiverWritesInWorkingFolder) {
  getLogger()->logInfo("AudioManager", "a line for the <file>");
  const std::string html = readFile("cAuralEngineLog.html");
  EXPECT_EQ(html.rfind(kExpectedHead, 0), 0u);
  EXPECT_NE(html.find("<td class=\"info\"><pre>a line for the &lt;file&gt;\n"), std::string::npos);
}

TEST_F(LoggerTest, SecondsComeFromASteadyClock) {
  ScopedCapture capture;
  float first = 0.0f;
  float second = 0.0f;
  struct Stamp : ILogReceiver {
    float* at;
    explicit Stamp(float* a) : at(a) {}
    bool receiveMessage(const char*, const char*, LogLevel, float s) override {
      *at = s;
      return true;
    }
  } a(&first), b(&second);
  getLogger()->registerLogReceiver(&a, "zz-stamp");
  getLogger()->logInfo("t", "now");
  // Sleeping uses no processor time: a CPU clock would not move.
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  getLogger()->registerLogReceiver(&b, "zz-stamp");
  getLogger()->logInfo("t", "later");
  getLogger()->unregisterLogReceiver("zz-stamp");
  EXPECT_GE(second - first, 0.05f);
  EXPECT_LT(second - first, 5.0f);
}

TEST_F(LoggerTest, MessagesFromManyThreadsArriveWhole) {
  ILogReceiver* console = getLogger()->getLogReceiver("Console");
  ILogReceiver* file = getLogger()->getLogReceiver("File");
  getLogger()->unregisterLogReceiver("Console");
  getLogger()->unregisterLogReceiver("File");
  ScopedCapture capture;
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 1000; ++i) getLogger()->logInfo("t", "thread %d message %d end", t, i);
    });
  }
  for (auto& th : threads) th.join();
  getLogger()->registerLogReceiver(console, "Console");
  getLogger()->registerLogReceiver(file, "File");
  const auto lines = capture.lines();
  ASSERT_EQ(lines.size(), 8000u);
  std::vector<int> next(8, 0);
  for (const auto& l : lines) {
    int t = -1;
    int i = -1;
    ASSERT_EQ(std::sscanf(l.message.c_str(), "thread %d message %d end", &t, &i), 2) << l.message;
    ASSERT_TRUE(t >= 0 && t < 8);
    EXPECT_EQ(i, next[t]++);
  }
}

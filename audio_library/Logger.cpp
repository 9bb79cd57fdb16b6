#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <new>

#include "caural/ILogger.h"

namespace cAural {

namespace {

constexpr const char* kLogFileName = "cAuralEngineLog.html";
constexpr std::size_t kMessageSize = 2048;

const char* levelClass(LogLevel level) {
  switch (level) {
    case LOG_INFORMATION: return "info";
    case LOG_WARNING: return "warn";
    case LOG_ERROR: return "err";
    case LOG_CRITICAL: return "crit";
    default: return "debug";
  }
}

class cLogger : public ILogger {
 public:
  cLogger() : start_(std::chrono::steady_clock::now()) {}

#define CAURAL_LOG_AT(function, level)                                            \
  void function(const char* sender, const char* format, ...) override CAURAL_PRINTF(3, 4) { \
    va_list args;                                                                  \
    va_start(args, format);                                                        \
    broadcast(level, sender, format, args);                                        \
    va_end(args);                                                                  \
  }
  CAURAL_LOG_AT(logCritical, LOG_CRITICAL)
  CAURAL_LOG_AT(logError, LOG_ERROR)
  CAURAL_LOG_AT(logWarning, LOG_WARNING)
  CAURAL_LOG_AT(logInfo, LOG_INFORMATION)
  CAURAL_LOG_AT(logDebug, LOG_DEBUG)
#undef CAURAL_LOG_AT

  const LogLevel& getLogLevel() override {
    cMutexLock lock(mutex_);
    shownLevel_ = static_cast<LogLevel>(level_.load());
    return shownLevel_;
  }
  void setLogLevel(const LogLevel& level) override {
    cMutexLock lock(mutex_);
    level_.store(level);
  }

  bool registerLogReceiver(ILogReceiver* receiver, const char* name) override {
    cMutexLock lock(mutex_);
    try {
      receivers_.insert_or_assign(cString(name != nullptr ? name : ""), receiver);
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  void unregisterLogReceiver(const char* name) override {
    cMutexLock lock(mutex_);
    auto it = receivers_.find(name != nullptr ? name : "");
    if (it != receivers_.end()) receivers_.erase(it);
  }
  bool isLogReceiverRegistered(const char* name) override {
    cMutexLock lock(mutex_);
    return receivers_.find(name != nullptr ? name : "") != receivers_.end();
  }
  ILogReceiver* getLogReceiver(const char* name) override {
    cMutexLock lock(mutex_);
    auto it = receivers_.find(name != nullptr ? name : "");
    return it != receivers_.end() ? it->second : nullptr;
  }

 private:
  void broadcast(LogLevel level, const char* sender, const char* format, va_list args) {
    if (level_.load() > level) return;
    cMutexLock lock(mutex_);
    const float seconds =
        std::chrono::duration<float>(std::chrono::steady_clock::now() - start_).count();
    const int n = std::vsnprintf(message_, kMessageSize, format != nullptr ? format : "", args);
    if (n < 0) message_[0] = '\0';
    message_[kMessageSize - 1] = '\0';
    const char* from = sender != nullptr ? sender : "";
    for (auto& entry : receivers_) {
      if (entry.second != nullptr) entry.second->receiveMessage(from, message_, level, seconds);
    }
  }

  cMutex mutex_;
  const std::chrono::steady_clock::time_point start_;
  char message_[kMessageSize] = {};
  std::atomic<std::int32_t> level_{LOG_INFORMATION};
  LogLevel shownLevel_ = LOG_INFORMATION;
  std::map<cString, ILogReceiver*, std::less<>, cAllocator<std::pair<const cString, ILogReceiver*>>> receivers_;
};

// Writes text with &, < and > escaped.
void writeEscaped(std::FILE* f, const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    switch (*p) {
      case '&': std::fputs("&amp;", f); break;
      case '<': std::fputs("&lt;", f); break;
      case '>': std::fputs("&gt;", f); break;
      default: std::fputc(*p, f);
    }
  }
}

const char* const kHead[] = {
    "<html>",
    "<head>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />",
    "<title>cAural Log</title>",
    "<style type=\"text/css\">",
    "body, html {",
    "background: #000000;",
    "width: 1000px;",
    "font-family: Arial;",
    "font-size: 16px;",
    "color: #C0C0C0;",
    "}",
    "h1 {",
    "color : #FFFFFF;",
    "border-bottom : 1px dotted #888888;",
    "}",
    "pre {",
    "font-family : arial;",
    "margin : 0;",
    "}",
    ".box {",
    "border : 1px dotted #818286;",
    "padding : 5px;",
    "margin: 5px;",
    "width: 950px;",
    "background-color : #292929;",
    "}",
    ".err {",
    "color: #EE1100;",
    "font-weight: bold",
    "}",
    ".warn {",
    "color: #FFCC00;",
    "font-weight: bold",
    "}",
    ".crit {",
    "color: #BB0077;",
    "font-weight: bold",
    "}",
    ".info {",
    "color: #C0C0C0;",
    "}",
    ".debug {",
    "color: #CCA0A0;",
    "}",
    "</style>",
    "</head>",
    "",
    "<body>",
    "<h1>cAural Log</h1>",
    "<h3>" CAURAL_VERSION "</h3>",
    "<div class=\"box\">",
    "<table>",
};

void writeRow(std::FILE* f, const char* message, LogLevel level, float seconds) {
  std::fprintf(f, "<tr>\n<td width=\"100\">%g</td>\n<td class=\"%s\"><pre>", static_cast<double>(seconds),
               levelClass(level));
  writeEscaped(f, message);
  std::fputs("\n</pre></td>\n</tr>\n", f);
}

}  // namespace

const char* getLogLevelName(LogLevel level) {
  switch (level) {
    case LOG_INFORMATION: return "Information";
    case LOG_WARNING: return "Warning";
    case LOG_ERROR: return "Error";
    case LOG_CRITICAL: return "Critical";
    default: return "Debug";
  }
}

bool cConsoleLogReceiver::receiveMessage(const char*, const char* message, LogLevel level, float) {
  std::printf("[%s] %s\n", getLogLevelName(level), message != nullptr ? message : "");
  std::fflush(stdout);
  return true;
}

cFileLogReceiver::cFileLogReceiver() = default;

cFileLogReceiver::cFileLogReceiver(const char* fileName) {
  if (fileName == nullptr) return;
  const std::size_t n = std::strlen(fileName) + 1;
  if (n > getMemoryProvider()->getMaxAllocationSize()) return;
  fileName_ = static_cast<char*>(getMemoryProvider()->allocate(static_cast<std::uint32_t>(n), nullptr, -1, nullptr));
  if (fileName_ != nullptr) std::memcpy(fileName_, fileName, n);
}

cFileLogReceiver::~cFileLogReceiver() { getMemoryProvider()->deallocate(fileName_); }

bool cFileLogReceiver::receiveMessage(const char*, const char* message, LogLevel level, float seconds) {
  const char* name = fileName_ != nullptr ? fileName_ : kLogFileName;
  std::FILE* f = std::fopen(name, headerWritten_ ? "a" : "w");
  if (f == nullptr) return false;
  if (!headerWritten_) {
    for (const char* line : kHead) {
      std::fputs(line, f);
      std::fputc('\n', f);
    }
  }
  // The message that made the head is written too: no line is lost.
  writeRow(f, message != nullptr ? message : "", level, seconds);
  std::fflush(f);
  const bool ok = std::ferror(f) == 0;
  if (std::fclose(f) != 0 || !ok) return false;
  headerWritten_ = true;
  return true;
}

ILogger* getLogger() {
  // Never destroyed: messages may still come during exit.
  static cLogger* logger = new cLogger;
  static std::once_flag receiversRegistered;
  std::call_once(receiversRegistered, [] {
    static cConsoleLogReceiver* console = new cConsoleLogReceiver;
    static cFileLogReceiver* file = new cFileLogReceiver;
    logger->registerLogReceiver(console, "Console");
    logger->registerLogReceiver(file, "File");
  });
  return logger;
}

}  // namespace cAural

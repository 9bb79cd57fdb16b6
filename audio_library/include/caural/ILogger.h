#pragma once
// The audio library's one logger: messages filtered by level, formatted
// printf-style, stamped with the seconds since the logger was built and handed
// to every registered receiver in name order.
#include <cstdint>

#include "sound/aural/AuralBase.h"

#define CAURAL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

namespace cAural {

enum LogLevel : std::int32_t {
  LOG_DEBUG = 0,
  LOG_INFORMATION = 1,
  LOG_WARNING = 2,
  LOG_ERROR = 3,
  LOG_CRITICAL = 4,
};

// "Debug", "Information", "Warning", "Error", "Critical"; "Debug" for any other value.
CAURAL_API const char* getLogLevelName(LogLevel level);

class CAURAL_API ILogReceiver {
 public:
  virtual ~ILogReceiver() = default;
  virtual bool receiveMessage(const char* sender, const char* message, LogLevel level, float seconds) = 0;
};

// Every operation may be called from any thread; the receivers are called
// one message at a time, on the thread that logs, under the logger's lock (a
// receiver must not log).
class CAURAL_API ILogger {
 public:
  virtual ~ILogger() = default;
  virtual void logCritical(const char* sender, const char* format, ...) CAURAL_PRINTF(3, 4) = 0;
  virtual void logError(const char* sender, const char* format, ...) CAURAL_PRINTF(3, 4) = 0;
  virtual void logWarning(const char* sender, const char* format, ...) CAURAL_PRINTF(3, 4) = 0;
  virtual void logInfo(const char* sender, const char* format, ...) CAURAL_PRINTF(3, 4) = 0;
  virtual void logDebug(const char* sender, const char* format, ...) CAURAL_PRINTF(3, 4) = 0;
  virtual const LogLevel& getLogLevel() = 0;
  virtual void setLogLevel(const LogLevel& level) = 0;
  // Stores or replaces the receiver under the name (null stands for ""); the
  // logger does not own it. False only when there was no memory to store it.
  virtual bool registerLogReceiver(ILogReceiver* receiver, const char* name) = 0;
  virtual void unregisterLogReceiver(const char* name) = 0;
  virtual bool isLogReceiverRegistered(const char* name) = 0;
  virtual ILogReceiver* getLogReceiver(const char* name) = 0;
};

// "[Level] message" on standard output.
class CAURAL_API cConsoleLogReceiver : public ILogReceiver {
 public:
  bool receiveMessage(const char* sender, const char* message, LogLevel level, float seconds) override;
};

// Rows of an HTML table in a file ("cAuralEngineLog.html" in the working
// folder by default). The first message that can open the file empties it,
// writes the head and then its own row; the text is escaped for HTML.
class CAURAL_API cFileLogReceiver : public ILogReceiver {
 public:
  cFileLogReceiver();
  explicit cFileLogReceiver(const char* fileName);
  ~cFileLogReceiver() override;
  cFileLogReceiver(const cFileLogReceiver&) = delete;
  cFileLogReceiver& operator=(const cFileLogReceiver&) = delete;

  bool receiveMessage(const char* sender, const char* message, LogLevel level, float seconds) override;
  bool isHeaderWritten() const { return headerWritten_; }

 private:
  char* fileName_ = nullptr;
  bool headerWritten_ = false;
};

// The process's logger, never destroyed. Its first call registers the
// console receiver as "Console" and the file receiver as "File".
CAURAL_API ILogger* getLogger();

}  // namespace cAural

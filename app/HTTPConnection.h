#pragma once
// One HTTP transfer over libcurl with its response buffer and a time-out, and
// the process-wide manager that owns libcurl's multi handle and knows every
// live connection. Nothing in the game opens a connection; the manager is
// created with the first one (libcurl is opened then, not at start-up) and
// shut down at exit.
#include <cstddef>
#include <vector>

#include <curl/curl.h>

class CHTTPConnection {
 public:
  enum Status { STATUS_PENDING = 0, STATUS_DONE = 1, STATUS_FAILED = 2, STATUS_TIMED_OUT = 3 };

  // Takes ownership of an easy handle (may be null), its header list and its
  // form, with a time-out in milliseconds (below 1: none). A connection with
  // an easy handle writes its body into the response buffer and is added to
  // the manager.
  explicit CHTTPConnection(CURL* easy = nullptr, curl_slist* headers = nullptr, curl_mime* form = nullptr,
                           int timeoutMs = 0);
  virtual ~CHTTPConnection();
  CHTTPConnection(const CHTTPConnection&) = delete;
  CHTTPConnection& operator=(const CHTTPConnection&) = delete;

  // libcurl's write callback; userData is the connection. Returns the bytes
  // taken, or 0 when the buffer cannot grow: libcurl then fails the transfer,
  // the bytes received so far are kept, and the connection ends failed.
  static std::size_t onWriteData(char* data, std::size_t size, std::size_t count, void* userData);

  // Reads the transfer's response code and settles the status from it.
  int pollStatus();
  // The status for a response code and a proxy CONNECT code: 0 and 100-102
  // pending, 200-207 and 210 done, others failed; with no response, a proxy
  // code other than 0 fails. A body that could not be stored fails whatever
  // the code says. Releases the transfer once it is settled.
  int applyResponseCodes(long responseCode, long connectCode);
  // Counts the time-out down; true only when it ran out now with the
  // transfer still pending (status becomes timed out).
  bool advanceTimeout(int ms);
  void expire() { advanceTimeout(timeout_); }
  // Frees the header list, the form and the transfer.
  void release();

  const char* response() const { return response_; }
  unsigned int responseSize() const { return responseSize_; }
  int status() const { return status_; }
  long httpCode() const { return httpCode_; }
  int timeout() const { return timeout_; }
  bool hasTransfer() const { return easy_ != nullptr; }
  bool writeFailed() const { return writeFailed_; }

 private:
  friend class HTTPConnectionManager;

  char* response_ = nullptr;
  unsigned int responseSize_ = 0;
  CURL* easy_ = nullptr;
  curl_mime* form_ = nullptr;
  curl_slist* headers_ = nullptr;
  int status_ = STATUS_PENDING;
  long httpCode_ = 0;
  int timeout_ = 0;
  bool inMulti_ = false;
  // A chunk was refused: the body is cut short, so a 200 is no success.
  bool writeFailed_ = false;
};

// The one manager: libcurl's multi handle and the live connections.
class HTTPConnectionManager {
 public:
  static HTTPConnectionManager& instance();
  CURLM* multiHandle() const { return multi_; }
  std::size_t connectionCount() const { return connections_.size(); }
  // False before the manager is built and once it is shut down at exit.
  static bool isAlive();

 private:
  friend class CHTTPConnection;
  HTTPConnectionManager();
  ~HTTPConnectionManager();
  void add(CHTTPConnection* connection);
  void remove(CHTTPConnection* connection);

  CURLM* multi_ = nullptr;
  std::vector<CHTTPConnection*> connections_;
};

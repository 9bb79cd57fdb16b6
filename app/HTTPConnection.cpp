#include "app/HTTPConnection.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Set while the manager exists: it is made with the first connection (so
// libcurl is opened only then) and shut down at exit; connections destroyed
// after it must not reach it.
static bool g_managerAlive = false;

HTTPConnectionManager& HTTPConnectionManager::instance() {
  static HTTPConnectionManager manager;
  return manager;
}

bool HTTPConnectionManager::isAlive() { return g_managerAlive; }

HTTPConnectionManager::HTTPConnectionManager() {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  multi_ = curl_multi_init();
  if (multi_ == nullptr) std::printf("Error Creating Multi HAndl!!!\n");
  g_managerAlive = true;
}

HTTPConnectionManager::~HTTPConnectionManager() {
  // Expiring a connection releases it, which edits the list.
  const std::vector<CHTTPConnection*> live = connections_;
  for (CHTTPConnection* connection : live) connection->expire();
  // Connections without a running time-out outlive the manager: their
  // transfers leave the multi handle before it goes.
  for (CHTTPConnection* connection : connections_) {
    if (connection->inMulti_ && multi_ != nullptr) curl_multi_remove_handle(multi_, connection->easy_);
    connection->inMulti_ = false;
  }
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
  multi_ = nullptr;
  if (connections_.empty()) curl_global_cleanup();
  connections_.clear();
  g_managerAlive = false;
}

void HTTPConnectionManager::add(CHTTPConnection* connection) {
  connections_.push_back(connection);
  if (multi_ != nullptr && curl_multi_add_handle(multi_, connection->easy_) == CURLM_OK) connection->inMulti_ = true;
}

void HTTPConnectionManager::remove(CHTTPConnection* connection) {
  if (connection->inMulti_ && multi_ != nullptr) curl_multi_remove_handle(multi_, connection->easy_);
  connection->inMulti_ = false;
  connections_.erase(std::remove(connections_.begin(), connections_.end(), connection), connections_.end());
}

CHTTPConnection::CHTTPConnection(CURL* easy, curl_slist* headers, curl_mime* form, int timeoutMs)
    : easy_(easy), form_(form), headers_(headers), timeout_(timeoutMs) {
  if (easy_ == nullptr) return;
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CHTTPConnection::onWriteData);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  if (headers_ != nullptr) curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
  if (form_ != nullptr) curl_easy_setopt(easy_, CURLOPT_MIMEPOST, form_);
  HTTPConnectionManager::instance().add(this);
}

CHTTPConnection::~CHTTPConnection() {
  release();
  std::free(response_);
}

std::size_t CHTTPConnection::onWriteData(char* data, std::size_t size, std::size_t count, void* userData) {
  auto* self = static_cast<CHTTPConnection*>(userData);
  // The size is kept in an unsigned int: a body that would not fit in it, or
  // whose byte count overflows, is refused like a failed allocation.
  if (size != 0 && count > SIZE_MAX / size) {
    self->writeFailed_ = true;
    return 0;
  }
  const std::size_t bytes = size * count;
  if (bytes > static_cast<std::size_t>(UINT_MAX) - self->responseSize_ - 1) {
    self->writeFailed_ = true;
    return 0;
  }
  const std::size_t grown = self->responseSize_ + bytes + 1;
  char* buffer = static_cast<char*>(std::realloc(self->response_, grown));
  if (buffer == nullptr) {  // the old buffer is still ours and intact
    self->writeFailed_ = true;
    return 0;
  }
  self->response_ = buffer;
  if (bytes > 0) std::memcpy(buffer + self->responseSize_, data, bytes);
  self->responseSize_ += static_cast<unsigned int>(bytes);
  buffer[self->responseSize_] = '\0';
  return bytes;
}

int CHTTPConnection::pollStatus() {
  if (easy_ == nullptr) return status_;
  long responseCode = 0;
  long connectCode = 0;
  curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &responseCode);
  if (responseCode == 0) curl_easy_getinfo(easy_, CURLINFO_HTTP_CONNECTCODE, &connectCode);
  return applyResponseCodes(responseCode, connectCode);
}

int CHTTPConnection::applyResponseCodes(long responseCode, long connectCode) {
  httpCode_ = responseCode;
  if (writeFailed_) {
    // libcurl stops the transfer at the refused chunk; whatever code the
    // server sent, the body is incomplete.
    status_ = STATUS_FAILED;
    release();
  } else if (responseCode == 0 || (responseCode >= 100 && responseCode <= 102)) {
    if (responseCode == 0 && connectCode != 0) {
      status_ = STATUS_FAILED;
      release();
    }
  } else if ((responseCode >= 200 && responseCode <= 207) || responseCode == 210) {
    status_ = STATUS_DONE;
    release();
  } else {
    status_ = STATUS_FAILED;
    release();
  }
  return status_;
}

bool CHTTPConnection::advanceTimeout(int ms) {
  if (timeout_ < 1) return false;
  timeout_ -= ms;
  if (timeout_ > 0) return false;
  if (pollStatus() != STATUS_PENDING) return false;
  timeout_ = 0;
  status_ = STATUS_TIMED_OUT;
  release();
  return true;
}

void CHTTPConnection::release() {
  if (easy_ != nullptr) {
    // Out of the multi handle first: it must not keep a freed transfer.
    if (g_managerAlive) HTTPConnectionManager::instance().remove(this);
    curl_easy_cleanup(easy_);
    easy_ = nullptr;
    timeout_ = 0;
  }
  // The transfer refers to these until it is cleaned up.
  curl_slist_free_all(headers_);
  headers_ = nullptr;
  curl_mime_free(form_);
  form_ = nullptr;
}

// The libcurl and SQLite functions the service holders call, each opening its
// library at its first call: start-up does not load the network and database
// libraries, which nothing uses until a connection or a database is made.
#define CURL_DISABLE_TYPECHECK  // the functions are defined here, not checked
#include <curl/curl.h>
#include <sqlite3.h>

#include <cstdarg>

#include "platform/LazyLibrary.h"

namespace {

platform::LazyLibrary& curlLibrary() {
  static platform::LazyLibrary library("libcurl.so.4");
  return library;
}

platform::LazyLibrary& sqliteLibrary() {
  static platform::LazyLibrary library("libsqlite3.so.0");
  return library;
}

}  // namespace

QM_LAZY_FUNCTION(curlLibrary(), CURLE_FAILED_INIT, CURLcode, curl_global_init, (long flags), (flags))
QM_LAZY_FUNCTION(curlLibrary(), 0, void, curl_global_cleanup, (void), ())
QM_LAZY_FUNCTION(curlLibrary(), 0, CURLM*, curl_multi_init, (void), ())
QM_LAZY_FUNCTION(curlLibrary(), CURLM_INTERNAL_ERROR, CURLMcode, curl_multi_cleanup, (CURLM * multi_handle), (multi_handle))
QM_LAZY_FUNCTION(curlLibrary(), CURLM_INTERNAL_ERROR, CURLMcode, curl_multi_add_handle, (CURLM * multi_handle, CURL* curl_handle),
                 (multi_handle, curl_handle))
QM_LAZY_FUNCTION(curlLibrary(), CURLM_INTERNAL_ERROR, CURLMcode, curl_multi_remove_handle,
                 (CURLM * multi_handle, CURL* curl_handle), (multi_handle, curl_handle))
QM_LAZY_FUNCTION(curlLibrary(), 0, void, curl_easy_cleanup, (CURL * curl), (curl))
QM_LAZY_FUNCTION(curlLibrary(), 0, void, curl_slist_free_all, (struct curl_slist * list), (list))
QM_LAZY_FUNCTION(curlLibrary(), 0, void, curl_mime_free, (curl_mime * mime), (mime))

// The two variadic ones take one value after the option; its type follows
// from the option's number, as in libcurl's own headers.
extern "C" CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
  using Real = CURLcode (*)(CURL*, CURLoption, ...);
  static const auto real = reinterpret_cast<Real>(curlLibrary().symbol("curl_easy_setopt"));
  if (real == nullptr) return CURLE_FAILED_INIT;
  va_list values;
  va_start(values, option);
  CURLcode result;
  if (option < CURLOPTTYPE_OBJECTPOINT) {
    result = real(handle, option, va_arg(values, long));
  } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
    result = real(handle, option, va_arg(values, void*));
  } else if (option < CURLOPTTYPE_OFF_T) {
    result = real(handle, option, va_arg(values, void (*)()));
  } else if (option < CURLOPTTYPE_BLOB) {
    result = real(handle, option, va_arg(values, curl_off_t));
  } else {
    result = real(handle, option, va_arg(values, void*));
  }
  va_end(values);
  return result;
}

extern "C" CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
  using Real = CURLcode (*)(CURL*, CURLINFO, ...);
  static const auto real = reinterpret_cast<Real>(curlLibrary().symbol("curl_easy_getinfo"));
  if (real == nullptr) return CURLE_FAILED_INIT;
  va_list values;
  va_start(values, info);
  const CURLcode result = real(handle, info, va_arg(values, void*));  // always where to write the answer
  va_end(values);
  return result;
}

QM_LAZY_FUNCTION(sqliteLibrary(), SQLITE_ERROR, int, sqlite3_finalize, (sqlite3_stmt * pStmt), (pStmt))
QM_LAZY_FUNCTION(sqliteLibrary(), SQLITE_ERROR, int, sqlite3_close, (sqlite3 * db), (db))
QM_LAZY_FUNCTION(sqliteLibrary(), SQLITE_ERROR, int, sqlite3_close_v2, (sqlite3 * db), (db))

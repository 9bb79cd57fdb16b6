#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/DBManager.h"
#include "app/HTTPConnection.h"

namespace {

// Connections that must live until after the connection manager is shut down
// at exit. The hook that checks them is registered before any default-priority
// static is built (the manager among them), so it runs after the manager is gone.
CHTTPConnection* g_expiredAtExit = nullptr;
CHTTPConnection* g_outlivingTheManager = nullptr;

void checkConnectionsAfterTheManager() {
  if (g_expiredAtExit == nullptr && g_outlivingTheManager == nullptr) return;  // not a child of the tests below
  if (HTTPConnectionManager::isAlive()) std::_Exit(10);  // the hook ran too early to prove anything
  if (g_expiredAtExit != nullptr) {
    // Its running time-out was expired by the shutdown, which released the transfer.
    if (g_expiredAtExit->status() != CHTTPConnection::STATUS_TIMED_OUT || g_expiredAtExit->hasTransfer()) std::_Exit(11);
    delete g_expiredAtExit;
  }
  if (g_outlivingTheManager != nullptr) {
    // No time-out running: the shutdown leaves it alone, and it is freed now,
    // with the manager and its multi handle gone.
    if (g_outlivingTheManager->status() != CHTTPConnection::STATUS_PENDING || !g_outlivingTheManager->hasTransfer()) {
      std::_Exit(12);
    }
    delete g_outlivingTheManager;
  }
}

struct RegisterExitCheck {
  RegisterExitCheck() { std::atexit(checkConnectionsAfterTheManager); }
};
__attribute__((init_priority(1000))) RegisterExitCheck g_registerExitCheck;

TEST(HTTPConnectionDeathTest, ALiveConnectionWithATimeOutIsExpiredAtExit) {
  EXPECT_EXIT(
      {
        // The manager comes with the first connection, not before main.
        if (HTTPConnectionManager::isAlive()) std::_Exit(8);
        g_expiredAtExit = new CHTTPConnection(curl_easy_init(), curl_slist_append(nullptr, "X-A: b"), nullptr, 30000);
        if (!HTTPConnectionManager::isAlive()) std::_Exit(9);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

TEST(HTTPConnectionDeathTest, AConnectionDestroyedAfterTheManagerIsFreedSafely) {
  EXPECT_EXIT(
      {
        g_outlivingTheManager = new CHTTPConnection(curl_easy_init(), curl_slist_append(nullptr, "X-A: b"));
        g_expiredAtExit = new CHTTPConnection(curl_easy_init(), nullptr, nullptr, 500);
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

TEST(HTTPConnection, ClassifiesResponseCodes) {
  struct Row {
    long response;
    long connect;
    int status;
  };
  const Row rows[] = {
      {0, 0, 0},   {100, 0, 0}, {101, 0, 0}, {102, 0, 0}, {103, 0, 2}, {200, 0, 1}, {204, 0, 1},
      {207, 0, 1}, {208, 0, 2}, {210, 0, 1}, {301, 0, 2}, {404, 0, 2}, {500, 0, 2}, {0, 407, 2},
  };
  for (const Row& row : rows) {
    CHTTPConnection c;
    EXPECT_EQ(c.applyResponseCodes(row.response, row.connect), row.status) << row.response << "/" << row.connect;
  }
  CHTTPConnection idle;
  EXPECT_EQ(idle.pollStatus(), CHTTPConnection::STATUS_PENDING);  // no transfer: nothing to read
}

TEST(HTTPConnection, WriteCallbackAppendsAndKeepsATerminator) {
  CHTTPConnection c;
  char hello[] = "hello ";
  char world[] = "world";
  EXPECT_EQ(CHTTPConnection::onWriteData(hello, 1, 6, &c), 6u);
  EXPECT_EQ(CHTTPConnection::onWriteData(world, 5, 1, &c), 5u);
  EXPECT_EQ(CHTTPConnection::onWriteData(world, 0, 1, &c), 0u);  // an empty chunk takes nothing
  EXPECT_EQ(c.responseSize(), 11u);
  EXPECT_STREQ(c.response(), "hello world");

  // A chunk the buffer cannot take is refused (libcurl then fails the
  // transfer) and the bytes received before stay as they were.
  EXPECT_EQ(CHTTPConnection::onWriteData(world, SIZE_MAX / 2, 4, &c), 0u);       // count overflows
  EXPECT_EQ(CHTTPConnection::onWriteData(world, 1, 0xFFFFFFFFull, &c), 0u);     // size would overflow
  EXPECT_EQ(c.responseSize(), 11u);
  EXPECT_STREQ(c.response(), "hello world");
}

TEST(HTTPConnection, ARefusedChunkEndsTheTransferFailedEvenAfterA200) {
  char body[] = "partial";
  {
    CHTTPConnection c(curl_easy_init());
    EXPECT_EQ(CHTTPConnection::onWriteData(body, 1, 7, &c), 7u);
    EXPECT_FALSE(c.writeFailed());
    EXPECT_EQ(CHTTPConnection::onWriteData(body, 1, 0xFFFFFFFFull, &c), 0u);  // cannot grow
    EXPECT_TRUE(c.writeFailed());
    EXPECT_EQ(c.applyResponseCodes(200, 0), CHTTPConnection::STATUS_FAILED);  // not a cut-off success
    EXPECT_FALSE(c.hasTransfer());
    EXPECT_STREQ(c.response(), "partial");
  }
  {
    // Through pollStatus, before any response code is known.
    CHTTPConnection c(curl_easy_init(), nullptr, nullptr, 1000);
    EXPECT_EQ(CHTTPConnection::onWriteData(body, SIZE_MAX / 2, 4, &c), 0u);
    EXPECT_EQ(c.pollStatus(), CHTTPConnection::STATUS_FAILED);
    EXPECT_FALSE(c.advanceTimeout(2000));  // already settled: not a time-out
    EXPECT_EQ(c.status(), CHTTPConnection::STATUS_FAILED);
  }
}

TEST(HTTPConnection, TimeOutRunsDownAndReleasesAPendingTransfer) {
  CHTTPConnection none;
  EXPECT_FALSE(none.advanceTimeout(1000));  // no time-out running: nothing changes
  EXPECT_EQ(none.status(), CHTTPConnection::STATUS_PENDING);

  HTTPConnectionManager& manager = HTTPConnectionManager::instance();
  ASSERT_NE(manager.multiHandle(), nullptr);
  const std::size_t before = manager.connectionCount();
  CURL* easy = curl_easy_init();
  ASSERT_NE(easy, nullptr);
  // Headers and a form, which release frees (AddressSanitizer checks for leaks).
  curl_slist* headers = curl_slist_append(nullptr, "Accept: text/plain");
  curl_mime* form = curl_mime_init(easy);
  curl_mime_data(curl_mime_addpart(form), "value", CURL_ZERO_TERMINATED);
  CHTTPConnection c(easy, headers, form, 100);
  EXPECT_TRUE(c.hasTransfer());
  EXPECT_EQ(manager.connectionCount(), before + 1);

  EXPECT_FALSE(c.advanceTimeout(60));  // 40 ms left
  EXPECT_EQ(c.timeout(), 40);
  EXPECT_TRUE(c.advanceTimeout(50));   // ran out with nothing received
  EXPECT_EQ(c.status(), CHTTPConnection::STATUS_TIMED_OUT);
  EXPECT_FALSE(c.hasTransfer());
  EXPECT_EQ(c.timeout(), 0);
  EXPECT_EQ(manager.connectionCount(), before);
  EXPECT_FALSE(c.advanceTimeout(50));
}

TEST(HTTPConnection, ASettledOrDestroyedConnectionLeavesTheManager) {
  HTTPConnectionManager& manager = HTTPConnectionManager::instance();
  const std::size_t before = manager.connectionCount();
  {
    CHTTPConnection done(curl_easy_init());
    CHTTPConnection dropped(curl_easy_init(), curl_slist_append(nullptr, "X-A: b"));
    EXPECT_EQ(manager.connectionCount(), before + 2);
    EXPECT_EQ(done.applyResponseCodes(200, 0), CHTTPConnection::STATUS_DONE);
    EXPECT_FALSE(done.hasTransfer());
    EXPECT_EQ(manager.connectionCount(), before + 1);
    done.release();  // twice is harmless
  }
  EXPECT_EQ(manager.connectionCount(), before);

  CHTTPConnection expiring(curl_easy_init(), nullptr, nullptr, 5000);
  expiring.expire();  // the whole time-out at once, as at shutdown
  EXPECT_EQ(expiring.status(), CHTTPConnection::STATUS_TIMED_OUT);
  EXPECT_EQ(manager.connectionCount(), before);
}

TEST(DBManager, ReleasesItsStatementAndConnection) {
  const sqlite3_int64 baseline = sqlite3_memory_used();
  {
    DBManager db;
    ASSERT_EQ(sqlite3_open(":memory:", &db.db), SQLITE_OK);
    db.isOpen = true;
    ASSERT_EQ(sqlite3_prepare_v2(db.db, "SELECT 1", -1, &db.statement, nullptr), SQLITE_OK);
    db.hasStatement = true;
    ASSERT_EQ(sqlite3_step(db.statement), SQLITE_ROW);
    EXPECT_GT(sqlite3_memory_used(), baseline);
  }
  EXPECT_EQ(sqlite3_memory_used(), baseline);

  // A statement prepared elsewhere on the connection: it is closed once that
  // statement goes too, not leaked.
  sqlite3_stmt* other = nullptr;
  {
    DBManager db;
    ASSERT_EQ(sqlite3_open(":memory:", &db.db), SQLITE_OK);
    db.isOpen = true;
    ASSERT_EQ(sqlite3_prepare_v2(db.db, "SELECT 2", -1, &other, nullptr), SQLITE_OK);
  }
  sqlite3_finalize(other);
  EXPECT_EQ(sqlite3_memory_used(), baseline);
}

}  // namespace

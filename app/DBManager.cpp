#include "app/DBManager.h"

DBManager::~DBManager() {
  if (hasStatement) {
    sqlite3_finalize(statement);
    statement = nullptr;
    hasStatement = false;
  }
  if (isOpen) {
    // A statement prepared elsewhere on this connection keeps a plain close
    // from succeeding; the deferred close then frees the connection with it.
    if (sqlite3_close(db) != SQLITE_OK) sqlite3_close_v2(db);
    db = nullptr;
    isOpen = false;
  }
}

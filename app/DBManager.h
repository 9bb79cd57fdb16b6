#pragma once
// A database connection with one prepared statement over SQLite, and a row
// record. Nothing in the game opens a database; the holders free what they
// are given.
#include <memory>
#include <string>

#include <sqlite3.h>

class DBManager {
 public:
  DBManager() = default;
  virtual ~DBManager();
  DBManager(const DBManager&) = delete;
  DBManager& operator=(const DBManager&) = delete;

  std::string name;
  std::string query;
  bool isOpen = false;
  bool hasStatement = false;
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
};

class sqlRow {
 public:
  sqlRow() = default;
  virtual ~sqlRow() = default;  // the owned members free themselves
  sqlRow(const sqlRow&) = delete;
  sqlRow& operator=(const sqlRow&) = delete;

  std::unique_ptr<std::string> object;
  std::unique_ptr<std::string[]> values;
  int valueCount = 0;
};

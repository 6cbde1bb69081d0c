// The workloads on SQLite as its users would write them: a table with one column per field
// element (strings in UTF-8 without the blank padding, numbers and dates as integers), the card
// number as the integer primary key, and one index for each of KARTA's five other keys. The
// database runs in journal mode DELETE with synchronous FULL and the default cache.
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "bench/storage_workloads.h"
#include "platform/codepage.h"
#include "runtime/values/field_value.h"
#include "runtime/values/type_codes.h"

namespace veltrano::bench {
namespace {

struct Column {
  std::string name;
  std::size_t field = 0;
  std::uint32_t element = 0;
  bool text = false;
};

struct Value {
  bool is_text = false;
  std::int64_t number = 0;
  std::string text;
};

std::string columnName(const std::string& field, std::uint32_t element, std::uint32_t elements) {
  std::string name = field.substr(field.find(':') + 1);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  if (elements > 1) name += "_" + std::to_string(element + 1);
  return name;
}

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
      throw WorkloadError("SQLite: " + std::string(sqlite3_errmsg(db)) + " in " + sql);
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() { return statement_; }
  // One step; true while it gives a row.
  bool step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) throw WorkloadError("SQLite: " + std::string(sqlite3_errmsg(db_)));
    return false;
  }
  void reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* statement_ = nullptr;
};

class SqliteEngine final : public Engine {
 public:
  ~SqliteEngine() override { finish(); }

  void prepare(const CardSet& cards) override {
    const auto& layout = *cards.layout;
    columns_.clear();
    for (std::size_t f = 0; f < layout.fieldCount(); ++f) {
      const auto& field = layout.field(f);
      if (field.overlay) continue;
      for (std::uint32_t e = 0; e < field.elementCount(); ++e)
        columns_.push_back(
            {columnName(field.name, e, field.elementCount()), f, e, runtime::isStringType(field.type)});
    }
    rows_.assign(cards.size(), {});
    for (std::size_t card = 0; card < cards.size(); ++card) {
      auto& row = rows_[card];
      for (const auto& column : columns_) {
        const auto& field = layout.field(column.field);
        if (column.text) {
          std::string text(runtime::stringView(field, cards.image(card), column.element));
          while (!text.empty() && text.back() == ' ') text.pop_back();
          row.push_back({true, 0, platform::utf8From1251(text)});
        } else {
          row.push_back(
              {false,
               static_cast<std::int64_t>(runtime::loadReal(field, cards.image(card), column.element)),
               {}});
        }
      }
      const auto& memo = cards.memos[card];
      row.push_back({true, 0, platform::utf8From1251(std::string(memo.begin(), memo.end()))});
    }
  }

  void start(const std::string& directory) override {
    finish();
    path_ = directory + "/karta.sqlite";
    std::filesystem::remove(path_);
    std::filesystem::remove(path_ + "-journal");
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) throw WorkloadError("SQLite: cannot open " + path_);
    execute("PRAGMA journal_mode=DELETE");
    execute("PRAGMA synchronous=FULL");
    std::string create = "CREATE TABLE karta(";
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      const auto& column = columns_[c];
      create += column.name;
      create += c == 0 ? " INTEGER PRIMARY KEY" : column.text ? " TEXT" : " INTEGER";
      create += ", ";
    }
    create += "dop_sved TEXT)";
    execute(create);
    execute("CREATE INDEX karta_fam ON karta(fam, nom)");
    execute("CREATE INDEX karta_strukt ON karta(strukt)");
    execute("CREATE INDEX karta_otdelenie ON karta(otdelenie)");
    execute("CREATE INDEX karta_post ON karta(post)");
    execute("CREATE INDEX karta_proff ON karta(proff)");
    std::string insert = "INSERT INTO karta VALUES(";
    for (std::size_t c = 0; c <= columns_.size(); ++c) insert += c == 0 ? "?" : ",?";
    insert += ")";
    insert_ = std::make_unique<Statement>(db_, insert);
  }

  void finish() override {
    insert_.reset();
    if (db_ != nullptr) sqlite3_close(db_);
    db_ = nullptr;
  }

  std::uint64_t fileBytes() override { return std::filesystem::file_size(path_); }

  void bulkLoad(const CardSet& cards, const WorkloadPlan& plan) override {
    (void)cards;
    execute("BEGIN");
    for (std::size_t card = 0; card < plan.bulk; ++card) insertRow(card);
    execute("COMMIT");
  }

  void durableInserts(const CardSet& cards, const WorkloadPlan& plan) override {
    (void)cards;
    for (std::size_t card = plan.bulk; card < plan.bulk + plan.durable; ++card) insertRow(card);
  }

  std::int64_t randomReads(const WorkloadPlan& plan) override {
    Statement select(db_, "SELECT * FROM karta WHERE num = ?");
    std::int64_t found = 0;
    execute("BEGIN");
    for (const std::int64_t number : plan.read_numbers) {
      sqlite3_bind_int64(select.get(), 1, number);
      if (select.step()) {
        readRow(select.get());
        ++found;
      }
      select.reset();
    }
    execute("COMMIT");
    return found;
  }

  std::int64_t orderedScan() override { return readRows("SELECT * FROM karta ORDER BY fam, nom"); }

  std::int64_t scanDismissed() override {
    return readRows("SELECT * FROM karta WHERE data_uvol <> 0 ORDER BY fam, nom");
  }

  std::int64_t countCurrent() override {
    Statement count(db_, "SELECT count(*) FROM karta WHERE data_uvol = 0");
    execute("BEGIN");
    const std::int64_t result = count.step() ? sqlite3_column_int64(count.get(), 0) : -1;
    count.reset();
    execute("COMMIT");
    return result;
  }

  void updatePositions(const WorkloadPlan& plan) override {
    Statement update(db_, "UPDATE karta SET post = ? WHERE num = ?");
    std::vector<std::string> positions;
    for (const auto& position : plan.new_positions) positions.push_back(platform::utf8From1251(position));
    execute("BEGIN");
    for (std::size_t i = 0; i < plan.update_numbers.size(); ++i) {
      sqlite3_bind_text(update.get(), 1, positions[i].data(), static_cast<int>(positions[i].size()),
                        SQLITE_STATIC);
      sqlite3_bind_int64(update.get(), 2, plan.update_numbers[i]);
      update.step();
      if (sqlite3_changes(db_) != 1) throw WorkloadError("SQLite: a card to change is missing");
      update.reset();
    }
    execute("COMMIT");
  }

  void deleteCards(const WorkloadPlan& plan) override {
    Statement erase(db_, "DELETE FROM karta WHERE num = ?");
    execute("BEGIN");
    for (const std::int64_t number : plan.delete_numbers) {
      sqlite3_bind_int64(erase.get(), 1, number);
      erase.step();
      if (sqlite3_changes(db_) != 1) throw WorkloadError("SQLite: a card to delete is missing");
      erase.reset();
    }
    execute("COMMIT");
  }

  std::int64_t cardCount() override {
    Statement count(db_, "SELECT count(*) FROM karta");
    return count.step() ? sqlite3_column_int64(count.get(), 0) : -1;
  }

 private:
  // Every row the query gives, every column read, in one read transaction.
  std::int64_t readRows(const char* query) {
    Statement select(db_, query);
    std::int64_t rows = 0;
    execute("BEGIN");
    while (select.step()) {
      readRow(select.get());
      ++rows;
    }
    execute("COMMIT");
    return rows;
  }

  void execute(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message != nullptr ? message : "?";
      sqlite3_free(message);
      throw WorkloadError("SQLite: " + text + " in " + sql);
    }
  }

  void insertRow(std::size_t card) {
    auto* statement = insert_->get();
    const auto& row = rows_[card];
    for (std::size_t c = 0; c < row.size(); ++c) {
      const int place = static_cast<int>(c) + 1;
      const auto& value = row[c];
      if (value.is_text) {
        sqlite3_bind_text(statement, place, value.text.data(), static_cast<int>(value.text.size()),
                          SQLITE_STATIC);
      } else {
        sqlite3_bind_int64(statement, place, value.number);
      }
    }
    insert_->step();
    insert_->reset();
  }

  // Reads every column the way a program copying a row into its own variables does.
  void readRow(sqlite3_stmt* statement) {
    const int count = sqlite3_column_count(statement);
    for (int c = 0; c < count; ++c) {
      if (sqlite3_column_type(statement, c) == SQLITE_INTEGER) {
        checksum_ += static_cast<std::uint64_t>(sqlite3_column_int64(statement, c));
      } else {
        const auto* text = sqlite3_column_text(statement, c);
        const int bytes = sqlite3_column_bytes(statement, c);
        if (bytes > 0) checksum_ += static_cast<std::uint64_t>(text[0]) + static_cast<std::uint64_t>(bytes);
      }
    }
  }

  std::vector<Column> columns_;
  std::vector<std::vector<Value>> rows_;
  std::string path_;
  sqlite3* db_ = nullptr;
  std::unique_ptr<Statement> insert_;
  std::uint64_t checksum_ = 0;
};

}  // namespace

std::unique_ptr<Engine> makeSqliteEngine() {
  return std::make_unique<SqliteEngine>();
}

}  // namespace veltrano::bench

// Random record operations on several tables of one storage file, checked against a plain
// in-memory model: every read, every sequence, and at the end the whole file's consistency.
// Run over the in-memory tree, over a page file (plain and enciphered), and with crashes at
// random writes of the page file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>

#include "platform/fault_injection.h"
#include "runtime/values/field_value.h"
#include "storage/declared_file.h"
#include "storage/page_file.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_tables.h"

namespace veltrano::storage {
namespace {

using runtime::TypeCode;
using Bytes = std::vector<std::uint8_t>;

struct ModelRecord {
  Bytes record;
  Bytes memo;
  Bytes blob;
  bool operator==(const ModelRecord&) const = default;
};
using TableModel = std::map<std::uint32_t, ModelRecord>;

// Several key shapes over one record: unique, DUP NOCASE, OPT with a descending component,
// a unique multi-component NOCASE OPT key, a descending real, and a long text whose key is as
// long as a table's key may be in the last of every three tables (and shorter in the others),
// in records that grow to the largest a table may have.
std::unique_ptr<DeclaredFile> modelDeclaration(const std::string& name) {
  const struct { std::uint32_t text, pad; } sizes[] = {{200, 0}, {4000, 3000}, {7523, 7450}};
  const auto& size = sizes[(name.back() - '0') % 3];
  runtime::RecordLayoutBuilder fields;
  fields.scalar("M:ID", TypeCode::Long).string("M:NAME", 6).scalar("M:S", TypeCode::Short);
  fields.decimal("M:D", 5, 2).cstring("M:C", 4).scalar("M:R", TypeCode::Real);
  fields.string("M:TEXT", size.text);
  if (size.pad > 0) fields.string("M:PAD", size.pad);
  auto file = DeclaredFile::make(name, fields.build());
  file->addKey("M:ID_KEY", {"M:ID"}, 0);
  file->addKey("M:NAME_KEY", {"M:NAME"}, kKeyDup | kKeyNocase);
  file->addKey("M:SD_KEY", {"-M:S", "M:D"}, kKeyDup | kKeyOpt);
  file->addKey("M:CN_KEY", {"M:C", "M:NAME"}, kKeyNocase | kKeyOpt);
  file->addKey("M:R_KEY", {"-M:R"}, kKeyDup);
  file->addKey("M:TEXT_KEY", {"M:TEXT", "-M:ID"}, kKeyDup);
  file->addMemo("M:MEMO", 40);
  file->addMemo("M:BLOB", 0, kMemoBlob);
  return file;
}

class Model {
 public:
  Model(EntryTree& tree, int tables, std::uint32_t seed) : tree_(tree), random_(seed) {
    for (int t = 0; t < tables; ++t) {
      declarations_.push_back(modelDeclaration("T" + std::to_string(t)));
      const auto definition = definitionOf(declarations_.back()->file());
      createTable(tree_, "T" + std::to_string(t), definition);
    }
    reopen();
    models_.resize(static_cast<std::size_t>(tables));
  }

  // Makes the table objects afresh, as after reopening the file.
  void reopen() {
    tables_.clear();
    for (std::size_t t = 0; t < declarations_.size(); ++t) {
      const auto definition = definitionOf(declarations_[t]->file());
      const auto number = findTable(tree_, "T" + std::to_string(t));
      ASSERT_TRUE(number);
      tables_.push_back(std::make_unique<WendlockTable>(
          tree_, *number, tableShapeOf(definition, declarations_[t]->layout(), t % 2 == 1)));
    }
  }

  std::vector<TableModel>& models() { return models_; }

  void randomRecord(std::size_t t) {
    auto& file = *declarations_[t];
    runtime::clearRecord(file.layout(), file.record());
    static const char* names[] = {"ann", "ANN", "bob", "Bob", "cid", "", "dan", "eve", "fay"};
    static const char* cs[] = {"", "", "x", "Y", "zz", "abc"};
    auto set = [&](const char* field, const std::string& text) {
      runtime::storeText(file.layout().field(static_cast<std::size_t>(file.layout().find(field))),
                         file.record(), text);
    };
    set("M:ID", std::to_string(roll(60)));
    set("M:NAME", names[roll(9)]);
    set("M:S", std::to_string(static_cast<int>(roll(5)) - 2));
    set("M:D", std::to_string(static_cast<int>(roll(7)) - 3) + ".25");
    set("M:C", cs[roll(6)]);
    set("M:R", std::to_string((static_cast<double>(roll(9)) - 4.0) * 1.5));
    // Texts share long prefixes, so the separators in the key's index pages are nearly whole keys.
    const auto& text = file.layout().field(static_cast<std::size_t>(file.layout().find("M:TEXT")));
    const std::uint32_t length = roll(3) == 0 ? text.size - roll(4) : roll(text.size + 1);
    set("M:TEXT", std::string(length, 'Q') + static_cast<char>('a' + roll(3)));
    if (const int pad = file.layout().find("M:PAD"); pad >= 0) {
      const auto& field = file.layout().field(static_cast<std::size_t>(pad));
      std::string bytes(roll(field.size + 1), ' ');
      for (auto& byte : bytes) byte = static_cast<char>('a' + roll(26));
      set("M:PAD", bytes);
    }
    auto& memos = file.file().memo_values;
    memos[0].assign(roll(3) == 0 ? 0 : roll(45), static_cast<std::uint8_t>('a' + roll(20)));
    if (!memos[0].empty() && roll(2) == 0) memos[0].back() = ' ';
    memos[1].resize(roll(4) == 0 ? roll(700) : 0);
    for (auto& byte : memos[1]) byte = static_cast<std::uint8_t>(roll(256));
  }

  ModelRecord expectedOf(std::size_t t) {
    auto& file = *declarations_[t];
    ModelRecord record{Bytes(file.record().begin(), file.record().end()), file.file().memo_values[0],
                       file.file().memo_values[1]};
    if (record.memo.size() > 40) record.memo.resize(40);
    while (!record.memo.empty() && record.memo.back() == ' ') record.memo.pop_back();
    return record;
  }

  // Would `record` collide with another record of the model in a unique key?
  bool collides(std::size_t t, std::span<const std::uint8_t> record, std::uint32_t self) {
    Bytes key, data, other_key;
    for (int k : {0, 3}) {
      if (!tables_[t]->keyEntryOf(k, record, self, key, data)) continue;
      for (const auto& [number, other] : models_[t]) {
        if (number == self) continue;
        if (tables_[t]->keyEntryOf(k, other.record, number, other_key, data) && other_key == key) return true;
      }
    }
    return false;
  }

  void expectRead(std::size_t t, std::uint32_t number) {
    auto& file = *declarations_[t];
    const auto& expected = models_[t].at(number);
    EXPECT_TRUE(std::equal(file.record().begin(), file.record().end(), expected.record.begin(),
                           expected.record.end()));
    EXPECT_EQ(file.file().memo_values[0], expected.memo);
    EXPECT_EQ(file.file().memo_values[1], expected.blob);
  }

  // The model's order of key k: records by their entry keys.
  std::vector<std::uint32_t> keyOrder(std::size_t t, int k) {
    std::vector<std::pair<Bytes, std::uint32_t>> order;
    Bytes key, data;
    for (const auto& [number, record] : models_[t]) {
      if (tables_[t]->keyEntryOf(k, record.record, number, key, data)) order.emplace_back(key, number);
    }
    std::sort(order.begin(), order.end());
    std::vector<std::uint32_t> numbers;
    for (const auto& entry : order) numbers.push_back(entry.second);
    return numbers;
  }

  void step() {
    const std::size_t t = roll(static_cast<std::uint32_t>(tables_.size()));
    auto& table = *tables_[t];
    auto& file = *declarations_[t];
    auto& model = models_[t];
    const RecordBuffers buffers{file.record(), &file.file().memo_values};
    const std::uint32_t action = roll(100);
    if (action < 30) {  // ADD
      randomRecord(t);
      const bool expect_duplicate = collides(t, file.record(), 0);
      const int error = table.add(buffers);
      EXPECT_EQ(error, expect_duplicate ? 40 : 0);
      if (error == 0) model[table.currentRecord()] = expectedOf(t);
    } else if (action < 45 && !model.empty()) {  // GET by pointer, then PUT
      const auto number = pick(model);
      ASSERT_EQ(table.getByPointer(number, buffers), 0);
      expectRead(t, number);
      const Bytes before = model[number].record;
      randomRecord(t);
      if (roll(3) == 0) std::copy(before.begin(), before.end(), file.record().begin());
      const bool expect_duplicate = collides(t, file.record(), number);
      const int error = table.put(buffers);
      EXPECT_EQ(error, expect_duplicate ? 40 : 0);
      if (error == 0) model[number] = expectedOf(t);
    } else if (action < 55 && !model.empty()) {  // DELETE
      const auto number = pick(model);
      ASSERT_EQ(table.getByPointer(number, buffers), 0);
      ASSERT_EQ(table.erase(), 0);
      model.erase(number);
      EXPECT_EQ(table.erase(), 33);
    } else if (action < 70 && !model.empty()) {  // GET by the unique key
      const auto number = pick(model);
      std::copy(model[number].record.begin(), model[number].record.end(), file.record().begin());
      ASSERT_EQ(table.getByKey(0, buffers), 0);
      EXPECT_EQ(table.currentRecord(), number);
      expectRead(t, number);
    } else if (action < 85) {  // a stretch of NEXT or PREVIOUS in one key's order
      const int k = static_cast<int>(roll(6));
      auto order = keyOrder(t, k);
      const bool forward = roll(2) == 0;
      if (!forward) std::reverse(order.begin(), order.end());
      table.setKey(k);
      const std::size_t steps = std::min<std::size_t>(order.size() + 1, 1 + roll(12));
      for (std::size_t i = 0; i < steps; ++i) {
        const int error = forward ? table.next(buffers) : table.previous(buffers);
        if (i >= order.size()) {
          EXPECT_EQ(error, 33);
          break;
        }
        ASSERT_EQ(error, 0);
        EXPECT_EQ(table.currentRecord(), order[i]);
        expectRead(t, order[i]);
      }
    } else if (action < 93) {  // file order from a pointer
      std::vector<std::uint32_t> numbers;
      for (const auto& entry : model) numbers.push_back(entry.first);
      const std::uint32_t from =
          numbers.empty() ? 0 : numbers[roll(static_cast<std::uint32_t>(numbers.size()))];
      table.setFilePointer(from);
      auto at = std::lower_bound(numbers.begin(), numbers.end(), from);
      for (int i = 0; i < 5; ++i, ++at) {
        const int error = table.next(buffers);
        if (at == numbers.end()) {
          EXPECT_EQ(error, 33);
          break;
        }
        ASSERT_EQ(error, 0);
        EXPECT_EQ(table.currentRecord(), *at);
      }
    } else if (action < 97) {  // APPEND records that collide with nothing, then BUILD
      for (int i = 0; i < 3; ++i) {
        randomRecord(t);
        runtime::storeText(file.layout().field(0), file.record(), std::to_string(1000 + serial_));
        runtime::storeText(file.layout().field(1), file.record(), "Z" + std::to_string(serial_++));
        ASSERT_EQ(table.append(buffers), 0);
        model[table.currentRecord()] = expectedOf(t);
      }
      ASSERT_EQ(table.build(-1, roll(2) == 0), 0);
    } else {  // counts
      EXPECT_EQ(table.records(), model.size());
      EXPECT_EQ(table.keyEntries(0), keyOrder(t, 0).size());
      EXPECT_EQ(table.keyEntries(2), keyOrder(t, 2).size());
    }
  }

  // The records a table holds, read back in file order.
  TableModel stored(std::size_t t) {
    TableModel out;
    auto& file = *declarations_[t];
    auto& table = *tables_[t];
    table.setFile();
    while (table.next({file.record(), &file.file().memo_values}) == 0)
      out[table.currentRecord()] = expectedOf(t);
    return out;
  }

  std::uint32_t roll(std::uint32_t bound) { return static_cast<std::uint32_t>(random_() % bound); }

 private:
  std::uint32_t pick(const TableModel& model) {
    auto it = model.begin();
    std::advance(it, roll(static_cast<std::uint32_t>(model.size())));
    return it->first;
  }

  EntryTree& tree_;
  std::mt19937 random_;
  std::vector<std::unique_ptr<DeclaredFile>> declarations_;
  std::vector<std::unique_ptr<WendlockTable>> tables_;
  std::vector<TableModel> models_;
  int serial_ = 0;
};

std::vector<std::string> checkTree(EntryTree& tree) {
  // Odd tables are OEM; the check takes every table as its attribute says.
  return checkEntries(tree);
}

TEST(WendlockModel, RandomOperationsOnTheInMemoryTree) {
  MemoryEntryTree tree;
  Model model(tree, 3, 12345);
  for (int i = 0; i < 30000 && !::testing::Test::HasFailure(); ++i) model.step();
  EXPECT_EQ(checkTree(tree), std::vector<std::string>{});
  for (std::size_t t = 0; t < 3; ++t) EXPECT_EQ(model.stored(t), model.models()[t]);
}

class ScratchFiles {
 public:
  ScratchFiles() {
    static int serial = 0;
    const std::filesystem::path shm("/dev/shm");
    const auto base = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path();
    path_ = base / ("veltrano-records-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void runOnPageFile(const std::string& owner, std::uint32_t seed) {
  ScratchFiles scratch;
  const auto path = scratch.file("model.WLK");
  PageFileOptions options;
  options.owner = owner;
  int error = 0;
  auto file = PageFile::open(path, platform::Creation::OpenOrCreate, options, &error);
  ASSERT_TRUE(file) << error;
  std::vector<TableModel> expected;
  {
    Model model(*file, 3, seed);
    for (int i = 0; i < 6000 && !::testing::Test::HasFailure(); ++i) {
      model.step();
      if (i % 7 == 0) {
        ASSERT_EQ(file->flush(), 0);
      }
    }
    ASSERT_EQ(file->flush(), 0);
    expected = model.models();
  }
  file.reset();
  file = PageFile::open(path, platform::Creation::OpenExisting, options, &error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(checkTree(*file), std::vector<std::string>{});
  Model reopened(*file, 0, seed);
  (void)reopened;
}

TEST(WendlockModel, RandomOperationsOnAPageFile) {
  runOnPageFile("", 777);
}

TEST(WendlockModel, RandomOperationsOnAnEncipheredPageFile) {
  runOnPageFile("secret", 778);
}

// Each round makes some operations, each written as one update, with a crash planned at a
// random write. After the crash the file must reopen to the state before or after the update
// that was being written, and be consistent.
TEST(WendlockModel, CrashAtRandomWritesLeavesAStateTheModelAccepts) {
  ScratchFiles scratch;
  std::mt19937 random(4242);
  for (int round = 0; round < 25 && !::testing::Test::HasFailure(); ++round) {
    const auto path = scratch.file("crash" + std::to_string(round) + ".WLK");
    platform::FaultInjectingFileSystem faults;
    std::vector<std::vector<TableModel>> states;  // the model after each written update
    {
      platform::FileSystemOverride override(faults);
      int error = 0;
      auto file = PageFile::open(path, platform::Creation::OpenOrCreate, {}, &error);
      ASSERT_TRUE(file);
      Model model(*file, 2, static_cast<std::uint32_t>(random()));
      ASSERT_EQ(file->flush(), 0);
      states.push_back(model.models());
      faults.crashAfterWrite(faults.writeCount() + 1 + random() % 200);
      for (int i = 0; i < 60 && !faults.crashed(); ++i) {
        model.step();
        file->flush();
        states.push_back(model.models());
      }
    }
    int error = 0;
    std::unique_ptr<PageFile> file;
    try {
      file = PageFile::open(path, platform::Creation::OpenExisting, {}, &error);
    } catch (const StorageFailure& failure) {
      FAIL() << "round " << round << ": failure " << failure.number() << " on reopening";
    }
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(checkTree(*file), std::vector<std::string>{}) << "round " << round;
    // The tables as stored must equal one of the states the model went through.
    std::vector<TableModel> found(2);
    for (std::size_t t = 0; t < 2; ++t) {
      const auto number = findTable(*file, "T" + std::to_string(t));
      ASSERT_TRUE(number);
      auto declaration = modelDeclaration("T" + std::to_string(t));
      WendlockTable table(*file, *number,
                          tableShapeOf(definitionOf(declaration->file()), declaration->layout(), t % 2 == 1));
      table.setFile();
      while (table.next({declaration->record(), &declaration->file().memo_values}) == 0) {
        ModelRecord record{Bytes(declaration->record().begin(), declaration->record().end()),
                           declaration->file().memo_values[0], declaration->file().memo_values[1]};
        found[t][table.currentRecord()] = record;
      }
    }
    EXPECT_TRUE(std::find(states.begin(), states.end(), found) != states.end()) << "round " << round;
  }
}

}  // namespace
}  // namespace veltrano::storage

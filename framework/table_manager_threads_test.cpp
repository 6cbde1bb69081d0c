// A file declared THREAD used by two procedure threads of the program's thread table through
// one shared manager: each thread has its own record buffer, open count and open file.
#include <map>

#include "framework/manager_test_fixture.h"
#include "framework/table_manager.h"
#include "framework/thread_instances.h"
#include "framework/thread_number.h"
#include "ui/thread_table.h"

namespace veltrano::framework {
namespace {

using storage::Operation;
using testing::ManagerTest;

// Per-thread instances of one file, exchanged in its control block the way the application's
// dictionary keeps them for all its files.
class SwappedInstances final : public ThreadInstances {
 public:
  explicit SwappedInstances(storage::DeclaredFile& file) : file_(file) {}
  ~SwappedInstances() override {
    closeFront();
    for (auto& [thread, instance] : parked_) {
      exchange(instance);
      closeFront();
      exchange(instance);
    }
  }

  void selectThread(std::int32_t thread) override {
    ++selections;
    if (thread == current_) return;
    Instance incoming;
    if (auto parked = parked_.find(thread); parked != parked_.end()) {
      incoming = std::move(parked->second);
      parked_.erase(parked);
    } else {
      incoming.record.resize(file_.record().size());
      runtime::clearRecord(file_.layout(), incoming.record);
      incoming.memos.resize(file_.file().memo_values.size());
    }
    exchange(incoming);
    parked_[current_] = std::move(incoming);
    current_ = thread;
  }

  int selections = 0;

 private:
  struct Instance {
    std::vector<std::uint8_t> record;
    std::vector<std::vector<std::uint8_t>> memos;
    std::unique_ptr<storage::DriverState> state;
  };
  void exchange(Instance& other) {
    storage::FileControlBlock& front = file_.file();
    std::swap_ranges(front.record.begin(), front.record.end(), other.record.begin());
    std::swap(front.memo_values, other.memos);
    std::swap(front.state, other.state);
  }
  void closeFront() {
    if (file_.file().state && file_.file().state->open) {
      storage::OperationArguments arguments;
      storage::fileStatement(Operation::Close, file_.file(), arguments);
    }
  }

  storage::DeclaredFile& file_;
  std::int32_t current_ = currentThreadNumber();
  std::map<std::int32_t, Instance> parked_;
};

class TableManagerThreadsTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    runtime::RecordLayoutBuilder fields;
    fields.scalar("OTD:ID", runtime::TypeCode::Long).string("OTD:NAME", 20);
    file = storage.declare("OTDELENI", fields.build());
    file->addKey("OTD:ID_KEY", {"+OTD:ID"}, storage::kKeyPrimary);
    file->setAttributes(storage::kFileThread);
    ASSERT_EQ(call(Operation::Create, *file), 0);
    ASSERT_EQ(call(Operation::Open, *file), 0);
    for (const auto& [id, name] : {std::pair{1, "Surgery"}, std::pair{2, "Therapy"}}) {
      setLong(*file, "OTD:ID", id);
      setText(*file, "OTD:NAME", name);
      ASSERT_EQ(call(Operation::Add, *file), 0);
    }
    ASSERT_EQ(call(Operation::Close, *file), 0);
    instances = std::make_unique<SwappedInstances>(*file);
    manager.Init(&file->file(), &errors);
    manager.FILENAMEVALUE = "OTDELENI";
    ASSERT_TRUE(manager.RegisterKey(file->key("OTD:ID_KEY"), "OTD:ID_KEY"));
    manager.SetThreadInstances(instances.get());
    ASSERT_TRUE(threads.attachFirstThread());
    useThreadTable(&threads);
  }
  void TearDown() override {
    threads.waitForAllThreads();
    useThreadTable(nullptr);
    threads.detachFirstThread();
    instances.reset();
    ManagerTest::TearDown();
  }
  std::unique_ptr<storage::DeclaredFile> file;
  std::unique_ptr<SwappedInstances> instances;
  TableManager manager;
  ui::ThreadTable threads;
};

TEST_F(TableManagerThreadsTest, ThreadNumbersFollowTheSlotsAndAScopeStillOverrides) {
  EXPECT_EQ(currentThreadNumber(), 1);  // slot 0
  std::int32_t on_procedure_thread = 0;
  ASSERT_EQ(threads.start([&](std::uintptr_t) { on_procedure_thread = currentThreadNumber(); }, 0, 25000), 1);
  threads.waitForAllThreads();
  EXPECT_EQ(on_procedure_thread, 2);  // slot 1
  {
    ScopedThreadNumber played(5);
    EXPECT_EQ(currentThreadNumber(), 5);
  }
  EXPECT_EQ(currentThreadNumber(), 1);
}

TEST_F(TableManagerThreadsTest, TwoThreadsKeepTheirOwnBuffersOpenCountsAndOpenFiles) {
  ASSERT_EQ(manager.Open(), kLevelBenign);
  ASSERT_EQ(call(Operation::SetKey, *file, file->key("OTD:ID_KEY")), 0);
  ASSERT_EQ(manager.Next(), kLevelBenign);
  ASSERT_EQ(text(*file, "OTD:NAME"), "Surgery");

  struct Seen {
    std::int32_t id = 0;
    std::uint16_t opened_at_start = 99;
    std::string name_at_start = "?";
    std::string fetched;
    std::uint16_t opened = 0;
    std::uint8_t used_after_close = 9;
  } seen;
  ASSERT_EQ(threads.start(
                [&](std::uintptr_t) {
                  seen.id = manager.SelectThreadState().ID;
                  seen.opened_at_start = manager.SelectThreadState().OPENED;
                  seen.name_at_start = text(*file, "OTD:NAME");
                  manager.Open();
                  manager.Open();
                  seen.opened = manager.SelectThreadState().OPENED;
                  // Its own sequence, read to the end.
                  call(Operation::SetKey, *file, file->key("OTD:ID_KEY"));
                  while (manager.NextQuiet() == kLevelBenign) seen.fetched = text(*file, "OTD:NAME");
                  manager.Close();
                  manager.Close();
                  seen.used_after_close = manager.SelectThreadState().USED;
                },
                0, 25000),
            1);
  threads.waitForAllThreads();

  EXPECT_EQ(seen.id, 2);
  EXPECT_EQ(seen.opened_at_start, 0);
  EXPECT_EQ(seen.name_at_start, "");  // a new thread starts with a cleared buffer
  EXPECT_EQ(seen.opened, 2);
  EXPECT_EQ(seen.fetched, "Therapy");
  EXPECT_EQ(seen.used_after_close, 0);

  // Back on the first thread: its buffer, its count, and its file still open at the driver,
  // although the other thread closed its own.
  const ThreadInfo& mine = manager.SelectThreadState();
  EXPECT_EQ(mine.ID, 1);
  EXPECT_EQ(mine.OPENED, 1);
  EXPECT_EQ(mine.USED, 1);
  EXPECT_EQ(text(*file, "OTD:NAME"), "Surgery");
  EXPECT_EQ(manager.Next(), kLevelBenign);  // its sequence goes on where it was
  EXPECT_EQ(text(*file, "OTD:NAME"), "Therapy");
  EXPECT_EQ(manager.INFO.size(), 2u);
  manager.Close();
  EXPECT_EQ(manager.SelectThreadState().USED, 0);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(TableManagerThreadsTest, FilesNotDeclaredThreadShareOneStateAndAreNotExchanged) {
  file->setAttributes(0);
  ASSERT_EQ(manager.Open(), kLevelBenign);
  const int selections = instances->selections;
  std::uint16_t opened_elsewhere = 0;
  ASSERT_EQ(
      threads.start([&](std::uintptr_t) { opened_elsewhere = manager.SelectThreadState().OPENED; }, 0, 25000),
      1);
  threads.waitForAllThreads();
  EXPECT_EQ(opened_elsewhere, 1);
  EXPECT_EQ(instances->selections, selections);
  EXPECT_EQ(manager.INFO.size(), 1u);
  manager.Close();
}

}  // namespace
}  // namespace veltrano::framework

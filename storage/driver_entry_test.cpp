// The common entry, exercised through a small driver that records what reaches it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "runtime/errors/error_state.h"
#include "runtime/errors/messages.h"
#include "storage/driver.h"
#include "storage/file_name.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_registration.h"

namespace veltrano::storage {
namespace {

struct TestState : DriverState {
  std::string name;  // the file name as it was when the description was built
};

struct Traced {
  Operation operation;
  int error;
  std::string error_text;  // ERROR as the error state held it while tracing
};

class TestDriver : public Driver {
 public:
  DriverRegistration registration_ = wendlockRegistration();
  int describes = 0;
  int describe_error = 0;
  int describe_failure = 0;  // raised after the state is made when positive, before when negative
  bool describe_without_state = false;
  std::vector<Operation> performed;
  std::vector<Traced> traced;
  std::function<OperationResult(Operation, FileControlBlock&, OperationArguments&)> on_perform;

  const DriverRegistration& registration() const override { return registration_; }

  OperationResult describe(FileControlBlock& file) override {
    ++describes;
    if (describe_failure < 0) fail(-describe_failure);
    if (describe_error != 0) return {describe_error, 0, 0};
    if (describe_without_state) return {};
    auto state = std::make_unique<TestState>();
    state->name = std::string(declaredFileName(file));
    file.state = std::move(state);
    if (describe_failure > 0) fail(describe_failure);
    return {};
  }

  OperationResult perform(Operation operation, FileControlBlock& file,
                          OperationArguments& arguments) override {
    performed.push_back(operation);
    if (on_perform) return on_perform(operation, file, arguments);
    return standard(operation, file, arguments);
  }

  static OperationResult standard(Operation operation, FileControlBlock& file,
                                  OperationArguments& arguments) {
    auto& state = static_cast<TestState&>(*file.state);
    switch (operation) {
      case Operation::Open:
      case Operation::Share: state.open = true; break;
      case Operation::Close: state.open = false; break;
      case Operation::Name: arguments.result_text = state.name; break;
      case Operation::RecordsFile: return {0, 42, 0};
      default: break;
    }
    return {};
  }

  void trace(Operation operation, FileControlBlock&, const OperationArguments&, int error,
             std::uint64_t) override {
    traced.push_back({operation, error, runtime::errorState().text});
  }
};

class DriverEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::clearErrors();
    runtime::clearMessageOverrides();
    file.driver = &driver;
    file.label = "PEOPLE";
  }
  void TearDown() override { runtime::clearMessageOverrides(); }

  std::int64_t call(Operation operation) { return fileStatement(operation, file, arguments); }
  void open() {
    call(Operation::Open);
    ASSERT_EQ(runtime::errorCode(), 0);
    driver.performed.clear();
    driver.traced.clear();
  }
  // Opens the file and lets its next NEXT raise storage failure `number`.
  void failOnNext(int number) {
    open();
    driver.on_perform = [number](Operation operation, FileControlBlock& f, OperationArguments& a) {
      if (operation == Operation::Next) fail(number);
      return TestDriver::standard(operation, f, a);
    };
    call(Operation::Next);
    driver.performed.clear();
  }

  TestDriver driver;
  FileControlBlock file;
  OperationArguments arguments;
};

TEST_F(DriverEntry, QueryViewAnswersZeroWithoutTouchingTheFile) {
  runtime::postError(35, 0, "OTHER");
  EXPECT_EQ(call(Operation::QueryView), 0);
  EXPECT_EQ(driver.describes, 0);
  EXPECT_TRUE(driver.performed.empty());
  EXPECT_TRUE(driver.traced.empty());
  EXPECT_FALSE(file.state);
  EXPECT_EQ(runtime::errorCode(), 35);  // not even the error state is touched

  open();
  const DriverState* state = file.state.get();
  EXPECT_EQ(call(Operation::QueryView), 0);
  EXPECT_EQ(file.state.get(), state);
  EXPECT_TRUE(driver.performed.empty());
}

TEST_F(DriverEntry, CodesOutsideTheRegistrationGive80) {
  open();
  for (const int code : {0, 35, 39, 51, 53, 68, 80, 81, 83, 87, 88, 90, 94, 200, -1, -1000}) {
    runtime::clearErrors();
    EXPECT_EQ(call(static_cast<Operation>(code)), 0) << code;
    EXPECT_EQ(runtime::errorCode(), 80) << code;
    EXPECT_EQ(runtime::errorState().text, "Unsupported File Driver Function");
    EXPECT_EQ(runtime::errorState().error_file, "PEOPLE");
  }
  EXPECT_TRUE(driver.performed.empty());
  EXPECT_EQ(file.state->last_error, 80);
}

TEST_F(DriverEntry, TheRegistrationDecidesWhatIsSupported) {
  driver.registration_.operations = {25, 7, 24};  // OPEN, CLOSE, NEXT only
  open();
  call(Operation::Add);
  EXPECT_EQ(runtime::errorCode(), 80);
  call(Operation::Next);
  EXPECT_EQ(runtime::errorCode(), 0);
  EXPECT_EQ(driver.performed, std::vector<Operation>{Operation::Next});
}

TEST_F(DriverEntry, UnlistedExtraCodesReachTheDriver) {
  open();
  const std::vector<Operation> extras = {Operation::QueryKey,      Operation::Clear,  Operation::BuildEvent,
                                         Operation::DoPropertyKey, Operation::InView, Operation::EndView};
  for (const auto operation : extras) {
    call(operation);
    EXPECT_EQ(runtime::errorCode(), 0) << static_cast<int>(operation);
  }
  EXPECT_EQ(driver.performed, extras);
}

TEST_F(DriverEntry, EntryPointIdentifiesTheDriverAndIsNotTraced) {
  TestDriver other;
  FileControlBlock other_file;
  other_file.driver = &other;
  other_file.label = "OTHER";
  const auto mine = call(Operation::EntryPoint);
  EXPECT_EQ(runtime::errorCode(), 0);
  EXPECT_NE(mine, 0);
  const auto theirs = fileStatement(Operation::EntryPoint, other_file);
  EXPECT_NE(theirs, 0);
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(call(Operation::EntryPoint), mine);
  EXPECT_TRUE(driver.performed.empty());
  EXPECT_TRUE(driver.traced.empty());
}

TEST_F(DriverEntry, OperationsOnAClosedFileGive37) {
  EXPECT_EQ(call(Operation::Next), 0);
  EXPECT_EQ(runtime::errorCode(), 37);
  EXPECT_EQ(runtime::errorState().text, "File Not Open");
  EXPECT_EQ(driver.describes, 0);

  open();
  call(Operation::Close);
  for (const auto operation : {Operation::Next, Operation::Add, Operation::QueryKey, Operation::InView}) {
    call(operation);
    EXPECT_EQ(runtime::errorCode(), 37) << static_cast<int>(operation);
  }
  EXPECT_EQ(driver.performed, std::vector<Operation>{Operation::Close});
  // BOF and EOF read as true when the call fails.
  EXPECT_EQ(call(Operation::Eof), 1);
  EXPECT_EQ(call(Operation::Bof), 1);
}

TEST_F(DriverEntry, ClosedFileOperationsRebuildTheDescriptionSoANewNameTakesEffect) {
  file.external_name = "first";
  call(Operation::Name);
  EXPECT_EQ(arguments.result_text, "first");
  EXPECT_EQ(driver.describes, 1);

  file.external_name = "second";
  call(Operation::Name);
  EXPECT_EQ(arguments.result_text, "second");
  EXPECT_EQ(driver.describes, 2);

  call(Operation::Open);
  file.external_name = "third";
  call(Operation::Name);  // open: the description in use stays
  EXPECT_EQ(arguments.result_text, "second");
  EXPECT_EQ(driver.describes, 3);

  call(Operation::Close);
  call(Operation::Next);  // not one of the closed-file operations: the description stays
  EXPECT_EQ(driver.describes, 3);
  call(Operation::Send);
  call(Operation::Name);
  EXPECT_EQ(arguments.result_text, "third");
  EXPECT_EQ(driver.describes, 5);
}

TEST_F(DriverEntry, EveryClosedFileOperationDropsAStaleDescription) {
  for (const auto operation :
       {Operation::Send, Operation::BlobGetProp, Operation::SetPropertyKey, Operation::SetProperty,
        Operation::Copy, Operation::Rename, Operation::Name, Operation::Remove, Operation::Create,
        Operation::BuildFile, Operation::BuildKey, Operation::Open, Operation::Share, Operation::Close}) {
    auto stale = std::make_unique<TestState>();
    stale->name = "stale";
    file.state = std::move(stale);
    const int describes = driver.describes;
    call(operation);
    EXPECT_EQ(driver.describes, describes + 1) << static_cast<int>(operation);
    ASSERT_TRUE(file.state);
    EXPECT_EQ(static_cast<TestState&>(*file.state).name, "PEOPLE") << static_cast<int>(operation);
    file.state.reset();
  }
}

TEST_F(DriverEntry, StorageFailureBecomes90WithItsNumber) {
  failOnNext(2172);
  EXPECT_EQ(runtime::errorCode(), 90);
  EXPECT_EQ(runtime::errorState().text, "File System Error");
  EXPECT_EQ(runtime::errorState().file_error_code, "2172");
  EXPECT_EQ(runtime::errorState().file_error, "Possible data corruption in file");
  EXPECT_EQ(runtime::errorState().error_file, "PEOPLE");
  EXPECT_EQ(file.state->failure, 2172);
  EXPECT_EQ(file.state->last_error, 90);
}

TEST_F(DriverEntry, AFailedFileRefusesAllButCloseAndName) {
  failOnNext(2277);
  for (const auto operation : {Operation::Next, Operation::Add, Operation::Open, Operation::Send,
                               Operation::RecordsFile, Operation::EntryPoint}) {
    runtime::clearErrors();
    EXPECT_EQ(call(operation), 0) << static_cast<int>(operation);
    EXPECT_EQ(runtime::errorCode(), 90);
    EXPECT_EQ(runtime::errorState().file_error_code, "2277");
    EXPECT_EQ(runtime::errorState().file_error, "Possible data corruption in file");
  }
  EXPECT_EQ(call(Operation::Eof), 1);
  EXPECT_TRUE(driver.performed.empty());

  call(Operation::Name);
  EXPECT_EQ(runtime::errorCode(), 0);
  EXPECT_EQ(arguments.result_text, "PEOPLE");

  // Even a close that fails again inside the driver closes without error.
  driver.on_perform = [](Operation operation, FileControlBlock&, OperationArguments&) -> OperationResult {
    if (operation == Operation::Close) fail(2341);
    return {};
  };
  runtime::postError(35);
  EXPECT_EQ(call(Operation::Close), 0);
  EXPECT_EQ(runtime::errorCode(), 0);
  EXPECT_TRUE(runtime::errorState().file_error.empty());
  EXPECT_FALSE(file.state->open);
  EXPECT_EQ(driver.performed, (std::vector<Operation>{Operation::Name, Operation::Close}));

  // The next OPEN starts over from a fresh description.
  driver.on_perform = nullptr;
  const int describes = driver.describes;
  call(Operation::Open);
  EXPECT_EQ(runtime::errorCode(), 0);
  EXPECT_EQ(driver.describes, describes + 1);
  EXPECT_EQ(file.state->failure, 0);
  EXPECT_EQ(call(Operation::RecordsFile), 42);
}

TEST_F(DriverEntry, CloseOfAFailedFileIgnoresAnErrorTheDriverReports) {
  failOnNext(2172);
  driver.on_perform = [](Operation, FileControlBlock&, OperationArguments&) -> OperationResult {
    return {5, 0, 0};
  };
  call(Operation::Close);
  EXPECT_EQ(runtime::errorCode(), 0);
  EXPECT_EQ(file.state->last_error, 0);
}

TEST_F(DriverEntry, FailureBeforeTheFileHasANameUsesTheDriverText) {
  driver.describe_failure = -2286;
  call(Operation::Open);
  EXPECT_EQ(runtime::errorCode(), 90);
  EXPECT_EQ(runtime::errorState().file_error_code, "2286");
  EXPECT_EQ(runtime::errorState().file_error, "Wendlock File Driver Error");
  EXPECT_FALSE(file.state);
  // Nothing sticks: the next OPEN builds the description again.
  driver.describe_failure = 0;
  call(Operation::Open);
  EXPECT_EQ(runtime::errorCode(), 0);
  EXPECT_TRUE(file.state->open);
}

TEST_F(DriverEntry, FailureWhileDescribingAfterTheNameIsKnownSticks) {
  driver.describe_failure = 2172;
  call(Operation::Name);
  EXPECT_EQ(runtime::errorCode(), 90);
  EXPECT_EQ(runtime::errorState().file_error, "Possible data corruption in file");
  ASSERT_TRUE(file.state);
  EXPECT_EQ(file.state->failure, 2172);
  call(Operation::Next);  // refused as failed rather than as not open
  EXPECT_EQ(runtime::errorCode(), 90);
}

TEST_F(DriverEntry, FailureTextResourceReplacesTheMessage) {
  runtime::setMessageOverride(4101, "Data may be damaged");
  failOnNext(2172);
  EXPECT_EQ(runtime::errorState().file_error, "Data may be damaged");
  call(Operation::Next);
  EXPECT_EQ(runtime::errorState().file_error, "Data may be damaged");
}

TEST_F(DriverEntry, DescribeErrorsArePostedAndLeaveNoDescription) {
  driver.describe_error = 47;
  arguments.result_text = "left over";
  call(Operation::Name);
  EXPECT_EQ(runtime::errorCode(), 47);
  EXPECT_EQ(runtime::errorState().text, "Invalid Record Declaration");
  EXPECT_EQ(arguments.result_text, "");  // a file without a description names nothing
  EXPECT_FALSE(file.state);
  EXPECT_TRUE(driver.performed.empty());

  driver.describe_error = 0;
  driver.describe_without_state = true;
  call(Operation::Open);
  EXPECT_EQ(runtime::errorCode(), 47);
  EXPECT_TRUE(driver.performed.empty());
}

TEST_F(DriverEntry, ErrorPostingRules) {
  open();
  // A failed system call posts 300 + its number, with the system's text.
  driver.on_perform = [](Operation, FileControlBlock&, OperationArguments&) -> OperationResult {
    return {0, 0, 2};
  };
  call(Operation::Add);
  EXPECT_EQ(runtime::errorCode(), 302);
  EXPECT_EQ(runtime::errorState().os_error, 2);
  EXPECT_EQ(runtime::errorState().text, runtime::messageText(302));
  EXPECT_EQ(runtime::errorState().error_file, "PEOPLE");
  EXPECT_EQ(file.state->last_error, 302);

  // A code without a text.
  driver.on_perform = [](Operation, FileControlBlock&, OperationArguments&) -> OperationResult {
    return {97, 7, 0};
  };
  EXPECT_EQ(call(Operation::RecordsFile), 0);  // a failed call has no value
  EXPECT_EQ(runtime::errorCode(), 97);
  EXPECT_EQ(runtime::errorState().text, "Unknown Error Posted : 97");
  EXPECT_TRUE(runtime::errorState().file_error_code.empty());

  // Success clears everything a previous call left.
  runtime::postFileError("1", "x");
  driver.on_perform = nullptr;
  EXPECT_EQ(call(Operation::RecordsFile), 42);
  EXPECT_EQ(runtime::errorCode(), 0);
  EXPECT_TRUE(runtime::errorState().text.empty());
  EXPECT_TRUE(runtime::errorState().file_error.empty());
  EXPECT_TRUE(runtime::errorState().error_file.empty());
  EXPECT_EQ(file.state->last_error, 0);
}

TEST_F(DriverEntry, TraceSeesTheOutcomeAsPosted) {
  open();
  call(Operation::Next);
  call(Operation::Add);
  driver.on_perform = [](Operation, FileControlBlock&, OperationArguments&) -> OperationResult {
    return {40, 0, 0};
  };
  call(Operation::Add);
  call(static_cast<Operation>(35));
  ASSERT_EQ(driver.traced.size(), 4u);
  EXPECT_EQ(driver.traced[0].operation, Operation::Next);
  EXPECT_EQ(driver.traced[0].error, 0);
  EXPECT_EQ(driver.traced[2].error, 40);
  EXPECT_EQ(driver.traced[2].error_text, "Creates Duplicate Key");
  EXPECT_EQ(driver.traced[3].error, 80);
}

TEST_F(DriverEntry, ANestedFailureStaysWithTheNestedFile) {
  TestDriver inner_driver;
  FileControlBlock inner;
  inner.driver = &inner_driver;
  inner.label = "INNER";
  fileStatement(Operation::Open, inner);
  inner_driver.on_perform = [](Operation operation, FileControlBlock& f, OperationArguments& a) {
    if (operation == Operation::Put) fail(2272);
    return TestDriver::standard(operation, f, a);
  };
  open();
  int inner_error = -1;
  driver.on_perform = [&](Operation operation, FileControlBlock& f, OperationArguments& a) {
    if (operation == Operation::Commit) {
      fileStatement(Operation::Put, inner);
      inner_error = runtime::errorCode();
      return OperationResult{};
    }
    return TestDriver::standard(operation, f, a);
  };
  call(Operation::Commit);
  EXPECT_EQ(inner_error, 90);
  EXPECT_EQ(inner.state->failure, 2272);
  EXPECT_EQ(file.state->failure, 0);
  EXPECT_EQ(runtime::errorCode(), 0);  // the outer call posts its own outcome
  call(Operation::Next);
  EXPECT_EQ(runtime::errorCode(), 0);
}

TEST_F(DriverEntry, MemoryExhaustionGives8) {
  open();
  driver.on_perform = [](Operation, FileControlBlock&, OperationArguments&) -> OperationResult {
    throw std::bad_alloc();
  };
  call(Operation::Add);
  EXPECT_EQ(runtime::errorCode(), 8);
  EXPECT_EQ(file.state->failure, 0);
}

TEST(DriverEntryWithoutDriver, ControlBlockWithoutADriverGives80) {
  FileControlBlock file;
  file.label = "LOST";
  EXPECT_EQ(fileStatement(Operation::Open, file), 0);
  EXPECT_EQ(runtime::errorCode(), 80);
  EXPECT_EQ(runtime::errorState().error_file, "LOST");
}

}  // namespace
}  // namespace veltrano::storage

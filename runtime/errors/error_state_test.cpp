#include "runtime/errors/error_state.h"

#include <gtest/gtest.h>

#include <thread>

#include "runtime/errors/messages.h"
#include "runtime/errors/runtime_error.h"

namespace veltrano::runtime {
namespace {

TEST(ErrorState, PostsCodeTextAndFile) {
  clearErrors();
  postError(40, 0, "PEOPLE");
  EXPECT_EQ(errorCode(), 40);
  EXPECT_EQ(errorState().text, "Creates Duplicate Key");
  EXPECT_EQ(errorState().error_file, "PEOPLE");
  EXPECT_EQ(errorText80().size(), 80u);
  EXPECT_EQ(errorText80().substr(0, 22), "Creates Duplicate Key ");
  clearErrors();
  EXPECT_EQ(errorCode(), 0);
  EXPECT_TRUE(errorState().text.empty());
}

TEST(ErrorState, FailedSystemCallPostsThreeHundredPlusItsNumber) {
  postError(0, 5);
  EXPECT_EQ(errorCode(), 305);
  EXPECT_EQ(errorState().os_error, 5);
  EXPECT_EQ(errorState().text, "Access is denied.");
}

TEST(ErrorState, UnknownCodeHasTheTextOf81AndTheNumber) {
  postError(1234);
  EXPECT_EQ(errorState().text, "Unknown Error Posted : 1234");
  EXPECT_EQ(messageText(97), "Unknown Error Posted : 97");
}

TEST(ErrorState, TextIsCutTo79CharactersAndLeadingBlanksSkipped) {
  setMessageOverride(33, "   " + std::string(100, 'x'));
  postError(33);
  EXPECT_EQ(errorState().text, std::string(79, 'x'));
  clearMessageOverrides();
  postError(33);
  EXPECT_EQ(errorState().text, "Record Not Available");
}

TEST(ErrorState, BelongsToTheCallingThread) {
  postError(35);
  std::thread other([] {
    EXPECT_EQ(errorCode(), 0);
    postError(43);
  });
  other.join();
  EXPECT_EQ(errorCode(), 35);
}

TEST(ErrorState, FileErrorIsCutTo254Characters) {
  postError(90);
  postFileError("2172", std::string(300, 'f'));
  EXPECT_EQ(errorState().file_error_code, "2172");
  EXPECT_EQ(errorState().file_error.size(), 254u);
}

struct Halted {
  int code;
  std::string text;
};

TEST(RuntimeError, HandlerSeesTheNumberAndTheTableText) {
  auto previous = setRuntimeErrorHandler([](int code, std::string_view text) {
    throw Halted{code, std::string(text)};
  });
  try {
    haltWithRuntimeError(kStringStackError);
  } catch (const Halted& halted) {
    EXPECT_EQ(halted.code, 501);
    EXPECT_EQ(halted.text, "String Stack Error");
  }
  try {
    haltWithRuntimeError(501, "Out of memory in VESARRAY!");
  } catch (const Halted& halted) {
    EXPECT_EQ(halted.text, "Out of memory in VESARRAY!");
  }
  setRuntimeErrorHandler(previous);
}

}  // namespace
}  // namespace veltrano::runtime

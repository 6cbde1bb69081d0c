#include "framework/error_manager.h"

#include <gtest/gtest.h>

#include "framework/error_table.h"
#include "platform/codepage.h"
#include "runtime/errors/error_state.h"
#include "ui/headless_engine.h"

namespace veltrano::framework {
namespace {

using platform::ru;

// Keeps an extra stored table alive as long as the manager that holds views into it.
class ExtraTable {
 public:
  explicit ExtraTable(std::vector<ErrorTableEntry> entries) : bytes_(*encodeErrorTable(entries)) {}
  std::span<const std::uint8_t> bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

class ErrorManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime::clearErrors();
    errors.Init();
    errors.setHaltHandler([this](int code, std::string_view text) {
      halts.push_back({code, std::string(text)});
    });
  }
  void TearDown() override {
    errors.Kill();
    runtime::clearErrors();
  }

  const ui::MessageBoxRequest& onlyBox() {
    const auto boxes = engine.shownMessageBoxes();
    EXPECT_EQ(boxes.size(), 1u);
    last_box = boxes.empty() ? ui::MessageBoxRequest{} : boxes.back();
    return last_box;
  }

  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed{engine};
  ErrorManager errors;
  std::vector<std::pair<int, std::string>> halts;
  ui::MessageBoxRequest last_box;
};

TEST_F(ErrorManagerTest, ErrorTextUsesTheDriversTextForError90AndTheRuntimesOtherwise) {
  errors.SetFile("KARTA");
  runtime::postError(5);
  errors.CaptureErrorState();
  ASSERT_TRUE(errors.SetId(23));
  EXPECT_EQ(errors.FillTemplate(), "File (KARTA) could not be opened.  Error: Access Denied (5).");

  runtime::postError(90);
  runtime::postFileError("2172", "Possible data corruption in file");
  errors.CaptureErrorState();
  EXPECT_EQ(errors.SAVEERRORCODE, 90);
  EXPECT_EQ(errors.SAVEFILEERRORCODE, "2172");
  EXPECT_EQ(errors.FillTemplate(),
            "File (KARTA) could not be opened.  Error: Possible data corruption in file (2172).");
}

TEST_F(ErrorManagerTest, EveryPlaceholderIsFilledLongestFirstEveryOccurrence) {
  const ExtraTable table(
      {{500, kLevelNotify, "All",
        "%FileErrorCode|%FileError|%File|%ErrorCode|%ErrorText|%Error|%Message|%Field|%File"}});
  ASSERT_TRUE(errors.RegisterErrors(table.bytes()));
  runtime::postError(90);
  runtime::postFileError("2341", "Possible data corruption in file");
  errors.SetFile("OTDELENI");
  errors.SetField("OTD:NAME");
  errors.MESSAGETEXT = "msg";
  errors.CaptureErrorState();
  ASSERT_TRUE(errors.SetId(500));
  EXPECT_EQ(errors.FillTemplate(),
            "2341|Possible data corruption in file|OTDELENI|90|Possible data corruption in file (2341)|"
            "File System Error|msg|OTD:NAME|OTDELENI");
}

TEST_F(ErrorManagerTest, AValueHoldingItsOwnPlaceholderIsPutInOnce) {
  errors.SetFile("%File");
  ASSERT_TRUE(errors.SetId(27));
  EXPECT_EQ(errors.FillTemplate(), "%File key file is invalid. Key must be rebuilt.");
}

TEST_F(ErrorManagerTest, FieldsAreCutToTheirWidthAndTheFilledTextToTheWorkBuffer) {
  errors.SetFile(std::string(300, 'f'));
  EXPECT_EQ(errors.FILENAME.size(), 255u);
  const ExtraTable table({{501, kLevelNotify, "t", "%File%File%File%File%File%File%File%File%File"}});
  ASSERT_TRUE(errors.RegisterErrors(table.bytes()));
  ASSERT_TRUE(errors.SetId(501));
  EXPECT_EQ(errors.FillTemplate(), std::string(2000, 'f'));
}

TEST_F(ErrorManagerTest, LaterTablesOverrideAndPreviousBringsBackTheOlderText) {
  const std::string lead = ru("Внимание! ");
  const ExtraTable table({{9, kLevelUser, "Delete", lead + "%Previous"}});
  ASSERT_TRUE(errors.RegisterErrors(table.bytes()));
  engine.queueMessageBoxAnswer(ui::kButtonYes);
  EXPECT_EQ(errors.HandleError(9), kLevelBenign);
  const auto& box = onlyBox();
  EXPECT_EQ(box.text, lead + ru("Вы уверены что хотите удалить запись?"));
  EXPECT_EQ(box.caption, "Delete");
  // The current entry is still the override.
  EXPECT_EQ(errors.currentTitle(), "Delete");
}

TEST_F(ErrorManagerTest, PreviousWithoutAnOlderEntryIsRemovedAndAnOlderTemplateIsFilled) {
  const ExtraTable table(
      {{600, kLevelNotify, "a", "[%Previous]"}, {23, kLevelNotify, "b", "Open failed: %Previous"}});
  ASSERT_TRUE(errors.RegisterErrors(table.bytes()));
  ASSERT_TRUE(errors.SetId(600));
  EXPECT_EQ(errors.FillTemplate(), "[]");
  runtime::postError(2);
  errors.SetFile("VID_KVAL");
  errors.CaptureErrorState();
  ASSERT_TRUE(errors.SetId(23));
  EXPECT_EQ(errors.FillTemplate(),
            "Open failed: File (VID_KVAL) could not be opened.  Error: File Not Found (2).");
}

TEST_F(ErrorManagerTest, UserLevelAsksYesNoAndAnswersBenignOrCancel) {
  engine.queueMessageBoxAnswer(ui::kButtonYes);
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(errors.HandleError(33), kLevelBenign);
  EXPECT_EQ(errors.HandleError(33), kLevelCancel);
  const auto boxes = engine.shownMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, "Record Delete Error");
  EXPECT_EQ(boxes[0].icon, ui::kIconQuestion);
  EXPECT_EQ(boxes[0].buttons, ui::kButtonYes + ui::kButtonNo);
  EXPECT_EQ(boxes[0].default_button, ui::kButtonYes);
  // Level 4 entries ask the same way.
  const ExtraTable table({{700, kLevelCancel, "c", "q?"}});
  ASSERT_TRUE(errors.RegisterErrors(table.bytes()));
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(errors.HandleError(700), kLevelCancel);
  EXPECT_EQ(engine.shownMessageBoxes().back().buttons, 6u);
  EXPECT_TRUE(halts.empty());
}

TEST_F(ErrorManagerTest, NotifyShowsOneOkBoxAndReturnsFive) {
  errors.SetFile("KARTA");
  EXPECT_EQ(errors.HandleError(28), kLevelNotify);
  const auto& box = onlyBox();
  EXPECT_EQ(box.text, "A record held by another station was encountered reading from the KARTA file.");
  EXPECT_EQ(box.caption, "Record not read");
  EXPECT_EQ(box.icon, ui::kIconExclamation);
  EXPECT_EQ(box.buttons, ui::kButtonOk);
  EXPECT_TRUE(halts.empty());
}

TEST_F(ErrorManagerTest, FatalShowsTheEndingNoticeAndHaltsWithTheTitle) {
  errors.SetFile("KARTA");
  runtime::postError(2);
  EXPECT_EQ(errors.Throw(10), kLevelFatal);
  const auto& box = onlyBox();
  EXPECT_EQ(box.text, "Error: (File Not Found (2)) creating KARTA.  Press OK to end this application");
  EXPECT_EQ(box.caption, "File Creation Error");
  EXPECT_EQ(box.icon, ui::kIconExclamation);
  EXPECT_EQ(box.buttons, ui::kButtonOk);
  ASSERT_EQ(halts.size(), 1u);
  EXPECT_EQ(halts[0].first, 0);
  EXPECT_EQ(halts[0].second, "File Creation Error");
}

TEST_F(ErrorManagerTest, ProgramAndUnknownLevelsEndAsFatal) {
  errors.SetFile("KARTA");
  EXPECT_EQ(errors.HandleError(39), kLevelFatal);
  EXPECT_EQ(engine.shownMessageBoxes().back().text,
            "Attempt to use file (KARTA) before it was opened  Press OK to end this application");
  const ExtraTable table({{800, 9, "Odd", "odd"}});
  ASSERT_TRUE(errors.RegisterErrors(table.bytes()));
  EXPECT_EQ(errors.HandleError(800), kLevelFatal);
  ASSERT_EQ(halts.size(), 2u);
  EXPECT_EQ(halts[1].second, "Odd");
}

TEST_F(ErrorManagerTest, BenignShowsNothing) {
  const ExtraTable table({{900, kLevelBenign, "b", "nothing"}});
  ASSERT_TRUE(errors.RegisterErrors(table.bytes()));
  EXPECT_EQ(errors.HandleError(900), kLevelBenign);
  EXPECT_TRUE(engine.shownMessageBoxes().empty());
}

TEST_F(ErrorManagerTest, MessageAsksWithTheGivenButtonsAndReturnsThePressedOne) {
  engine.queueMessageBoxAnswer(ui::kButtonNo);
  EXPECT_EQ(errors.Message(34, 70, ui::kButtonCancel), ui::kButtonNo);
  EXPECT_EQ(errors.Message(35, 70, ui::kButtonYes), ui::kButtonYes);  // closed: the default
  const auto boxes = engine.shownMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].caption, ru("Ошибка изменения записи"));
  EXPECT_EQ(boxes[0].icon, ui::kIconQuestion);
  EXPECT_EQ(boxes[0].buttons, 70u);
  EXPECT_EQ(boxes[0].default_button, ui::kButtonCancel);
  EXPECT_EQ(boxes[1].text, "Do you want to save the changes to this record?");
}

TEST_F(ErrorManagerTest, RaiseWithMessageFillsMessage) {
  EXPECT_EQ(errors.RaiseWithMessage(13, "KAR:NUM_KEY"), kLevelNotify);
  EXPECT_EQ(onlyBox().text, "Adding this record creates a duplicate entry for the key: KAR:NUM_KEY");
}

TEST_F(ErrorManagerTest, UnknownIdIsReportedAsAFailureNotAsAnotherEntry) {
  ASSERT_TRUE(errors.SetId(23));
  EXPECT_FALSE(errors.SetId(4242));
  EXPECT_EQ(errors.current(), nullptr);
  EXPECT_EQ(errors.FillTemplate(), "");
  EXPECT_EQ(errors.HandleError(4242), kLevelNotify);
  EXPECT_NE(onlyBox().text.find("4242"), std::string::npos);
  EXPECT_TRUE(halts.empty());
}

TEST_F(ErrorManagerTest, MalformedTableAddsNothingAndKillForgetsTheTable) {
  const std::vector<std::uint8_t> broken{1, 0, 9, 0, 5, 3, 'a'};
  const std::size_t before = errors.ERRORS->size();
  EXPECT_FALSE(errors.RegisterErrors(broken));
  EXPECT_EQ(errors.ERRORS->size(), before);
  EXPECT_EQ(before, 39u);

  errors.Kill();
  EXPECT_FALSE(errors.SetId(9));
  EXPECT_EQ(errors.HandleError(9), kLevelNotify);  // no crash, a failure
  errors.Init();
  EXPECT_TRUE(errors.SetId(9));
}

// The extension points are virtual: a program's own manager changes how notices are shown.
class QuietNotices : public ErrorManager {
 public:
  Level OnNotify() override {
    ++notices;
    return kLevelNotify;
  }
  int notices = 0;
};

TEST(ErrorManagerExtension, OverriddenDispatchIsUsed) {
  ui::HeadlessEngine engine;
  ui::ScopedWindowEngine installed(engine);
  QuietNotices errors;
  errors.Init();
  EXPECT_EQ(errors.HandleError(4), kLevelNotify);
  EXPECT_EQ(errors.notices, 1);
  EXPECT_TRUE(engine.shownMessageBoxes().empty());
  errors.Kill();
}

TEST(ErrorManagerHalt, ByDefaultAFatalMessageEndsTheProcessWithExitCodeZero) {
  EXPECT_EXIT(
      {
        ErrorManager errors;
        errors.Init();
        errors.HandleError(23);
        std::_Exit(9);  // not reached when the halt works
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace veltrano::framework

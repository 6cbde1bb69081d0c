// A browse over a storage file on disk, run in its window on a thread of its own and driven by
// the clerk's actions through the headless engine: paging, the thumb, locators, the keys that
// ask its form for an insert, change or delete, and what other stations do meanwhile.
#include "framework/browse/browse_manager.h"

#include <filesystem>
#include <fstream>
#include <source_location>

#include "framework/browse/popup_menu.h"
#include "framework/browse/query_by_example.h"
#include "framework/export/xlsx_read_back.h"
#include "framework/window/window_test_support.h"

namespace veltrano::framework {
namespace {

using platform::ru;
using testing::ProcedureThread;
using testing::StaffTable;
using Strings = std::vector<std::string>;

enum : ui::ControlId { kList = 1, kInsert, kChange, kDelete, kSelect, kClose, kLocator, kQuery };
constexpr std::uint16_t kStaffForm = 1;
constexpr std::string_view kLetters = "АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЭЮЯ";

// How the test's list is set up.
struct ListSetup {
  enum class Locate { kEntry, kStep, kFiltered, kFilteredAnywhere } locator = Locate::kEntry;
  bool step = true;  // a text step object on the surname order
  bool selecting = false;
  std::uint8_t delete_action = kDeleteAsk;
  bool ranged = false;   // by department, limited to the department variable
  bool toolbar = false;  // the list and its form with toolbars
  bool popup_and_query = false;
  bool whole_file = false;  // FILELOADED
};

const std::vector<ui::ControlId> kNavigation{toolbar::kInsert,   toolbar::kBottom, toolbar::kTop,
                                             toolbar::kPageDown, toolbar::kPageUp, toolbar::kDown,
                                             toolbar::kUp};

class BrowseTest : public testing::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    procedures.Register(kStaffForm, "TEST01", [this](const ProcedureCall& call) {
      WindowController form;
      form.Describe(testing::staffForm(staff, setup.toolbar ? kNavigation : std::vector<ui::ControlId>{}));
      Toolbar form_toolbar;
      FormToolbarTarget form_target(form);
      form_toolbar.AddTarget(&form_target, 0);
      if (setup.toolbar) form.TOOLBAR = &form_toolbar;
      form.PRIMARY = &staff.guard;
      form.ERRORS = &errors;
      form.ORIGINALREQUEST = call.request;
      form.VCRREQUEST = call.navigation;
      form.DELETEACTION = setup.delete_action;
      return form.Run();
    });
  }
  // Cards numbered 1 up, surnames by the letters in turn ("Аов1", "Бов2" …).
  void addCards(int count) {
    std::vector<std::pair<std::string, std::string>> cards;
    for (int n = 1; n <= count; ++n) {
      const std::string letter =
          platform::utf8From1251(std::string(1, ru(kLetters)[static_cast<std::size_t>(n - 1) % 27]));
      cards.emplace_back(letter + "ов" + std::to_string(n), "");
    }
    staff.add(cards);
  }
  void start() {
    thread = std::make_unique<ProcedureThread>(engine, [this] {
      WindowBuilder list("veltrano$TEST02", "Staff", "Сотрудники");
      if (setup.toolbar) list.toolbar(kNavigation);
      list.list(kList, "80L(2)|M~Фамилия~@s20@40R(2)|M~Таб. №~@n_6@", {8, 8, 400, 22 + 15 * 18});
      ui::ControlDescription locator;
      locator.id = kLocator;
      locator.kind = ui::ControlKind::kEntry;
      locator.at = {420, 8, 120, 22};
      list.control(locator);
      list.button(kInsert, "&Insert").button(kChange, "&Change").button(kDelete, "&Delete");
      list.button(kSelect, "&Select").button(kQuery, "&Query").button(kClose, "&Close");
      WindowController controller;
      controller.Describe(*list.build());
      controller.PRIMARY = &staff.guard;
      controller.ERRORS = &errors;
      controller.PROCEDURES = &procedures;
      controller.RESETONGAINFOCUS = 1;
      controller.ORIGINALREQUEST = setup.selecting ? kRequestSelect : kRequestNone;
      controller.AddButton(kClose, kResponseCancelled);
      BrowseManager browse;
      browse.Init(kList, ViewDefinition{{}, {&staff.file->file()}}, &staff.guard, &controller);
      TextStep step;
      step.Init(kStepLetters, kStepLookupLimits);
      if (setup.ranged) {
        browse.RegisterSortOrder(nullptr, staff.key("STF:OTD_KEY"));
        browse.RegisterRange(field("STF:OTD"), kLimitSingle, {fieldOf(variables, department, 0)});
        controller.AUTOREFRESH = 1;
      } else {
        browse.RegisterSortOrder(setup.step ? &step : nullptr, staff.key("STF:FAM_KEY"));
      }
      StepLocator by_letter;
      EntryLocator by_prefix;
      FilteredLocator filtered;
      filtered.FLOATRIGHT = setup.locator == ListSetup::Locate::kFilteredAnywhere ? 1 : 0;
      StepLocator* locators[] = {&by_prefix, &by_letter, &filtered, &filtered};
      browse.RegisterLocator(locators[static_cast<int>(setup.locator)], kLocator);
      browse.AddField(field("STF:FAM"));
      browse.AddField(field("STF:NUM"));
      browse.INSERTCONTROL = kInsert;
      browse.CHANGECONTROL = kChange;
      browse.DELETECONTROL = kDelete;
      browse.SELECTCONTROL = kSelect;
      browse.SELECTING = setup.selecting ? 1 : 0;
      browse.ASKPROCEDURE = kStaffForm;
      browse.FILELOADED = setup.whole_file ? 1 : 0;
      PopupMenu popup;
      QueryByExample query;
      if (setup.popup_and_query) {
        query.Init(&browse);
        query.AddItem("UPPER(STF:FAM)", ru("Фамилия"), "@s20");
        browse.POPUP = &popup;
        browse.QUERY = &query;
        browse.QUERYCONTROL = kQuery;
      }
      Toolbar toolbar;
      if (setup.toolbar) {
        browse.RegisterToolbarTarget(&toolbar);
        controller.TOOLBAR = &toolbar;
      }
      return controller.Run();
    });
    window = thread->window("Staff");
    ASSERT_NE(window, 0u);
  }
  FieldRef field(const char* name) {
    return fieldOf(staff.file->layout(), staff.file->record(),
                   static_cast<std::size_t>(staff.file->layout().find(name)));
  }
  Strings page() {
    Strings surnames;
    const auto snapshot = engine.snapshot(window);
    for (const auto& row : snapshot->controls.at(kList).rows)
      surnames.push_back(platform::utf8From1251(row[0]));
    return surnames;
  }
  std::string selected() {
    const auto snapshot = engine.snapshot(window);
    const auto& list = snapshot->controls.at(kList);
    const int row = std::stoi(list.value);
    return row == 0 ? "" : platform::utf8From1251(list.rows[static_cast<std::size_t>(row - 1)][0]);
  }
  int selectedRow() { return std::stoi(engine.snapshot(window)->controls.at(kList).value); }
  // The clerk's action done, and the list waiting for the next.
  void act(bool done, std::source_location where = std::source_location::current()) {
    SCOPED_TRACE(::testing::Message() << "action at line " << where.line());
    ASSERT_TRUE(done);
    ASSERT_TRUE(thread->idle(window));
  }
  void key(int code, std::source_location where = std::source_location::current()) {
    act(engine.userKey(window, code), where);
  }
  void scroll(ui::EventCode code, std::source_location where = std::source_location::current()) {
    act(engine.userScrolls(window, kList, code), where);
  }
  void typeOnList(const char* utf8) {
    for (const char c : ru(utf8)) key(static_cast<unsigned char>(c));
  }
  void finish() {
    engine.userCloses(window);
    thread->response();
  }

  void setDepartment(const char* utf8) { runtime::storeText(variables.field(0), department, ru(utf8)); }

  testing::DiskStorage disk;
  StaffTable staff{disk, errors};
  runtime::RecordLayout variables = runtime::RecordLayoutBuilder().string("OTDG", 10).build();
  std::vector<std::uint8_t> department = std::vector<std::uint8_t>(variables.size(), ' ');
  ProcedureRegistry procedures;
  ListSetup setup;
  std::unique_ptr<ProcedureThread> thread;
  ui::WindowId window = 0;
};

TEST_F(BrowseTest, PagesOfFifteenRowsKeepTheirSelectionAndTheLastIsFilledFromTheBottom) {
  addCards(60);
  start();
  const Strings first = page();
  ASSERT_EQ(first.size(), 15u);
  EXPECT_EQ(first.front(), "Аов1");
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(engine.snapshot(window)->controls.at(kList).thumb, 1) << "the first surname is the lower limit";
  act(engine.userSelectsRow(window, kList, 7));
  const std::string chosen = selected();
  scroll(ui::event::kPageDown);
  EXPECT_EQ(page().front(), staff.column(disk, "STF:FAM_KEY", "STF:FAM")[15]) << "the next fifteen";
  EXPECT_EQ(selectedRow(), 7) << "the selection keeps its row on the next page";
  scroll(ui::event::kPageUp);
  EXPECT_EQ(page(), first);
  EXPECT_EQ(selected(), chosen);

  // Another station adds a card that sorts onto this page above the selection; the list, told
  // to refresh when it gains the focus, keeps the same record selected.
  staff.add({{"Бааа", ""}});
  ui::WindowDescription other;
  other.label = "Other";
  const ui::WindowId elsewhere = engine.openWindow(other);  // the active window now
  act(engine.userActivates(window));
  act(engine.userActivates(elsewhere));
  act(engine.userActivates(window));
  engine.closeWindow(elsewhere);
  EXPECT_EQ(selected(), chosen);
  EXPECT_EQ(selectedRow(), 8);
  EXPECT_EQ(page().front(), "Аов1");

  scroll(ui::event::kScrollBottom);
  ASSERT_EQ(page().size(), 15u) << "the last page is full, read from the bottom";
  EXPECT_EQ(page().back(), "Яов54");
  EXPECT_EQ(selectedRow(), 15);
  EXPECT_EQ(engine.snapshot(window)->controls.at(kList).thumb, 100);
  scroll(ui::event::kScrollDown);
  EXPECT_EQ(page().back(), "Яов54") << "nothing past the end";
  scroll(ui::event::kScrollTop);
  EXPECT_EQ(page().front(), "Аов1");
  finish();
}

TEST_F(BrowseTest, TheThumbPositionsThroughTheOrdersStepOrPagesWithoutOne) {
  addCards(54);
  start();
  act(engine.userDragsThumb(window, kList, 75));
  const std::string letter = ru(selected()).substr(0, 1);
  EXPECT_GE(letter, ru("Ф")) << "about three quarters through the alphabet: " << selected();
  EXPECT_LE(letter, ru("Ш")) << selected();
  act(engine.userDragsThumb(window, kList, 1));
  ASSERT_TRUE(thread->idle(window));
  EXPECT_EQ(page().front(), "Аов1");
  finish();

  setup.step = false;
  start();
  const Strings first = page();
  act(engine.userDragsThumb(window, kList, 50));
  EXPECT_EQ(page(), first) << "50 does nothing";
  act(engine.userDragsThumb(window, kList, 75));
  ASSERT_TRUE(thread->idle(window));
  EXPECT_NE(page().front(), first.front()) << "75 pages down";
  finish();
}

TEST_F(BrowseTest, LocatorsPositionOrFilterAsTheClerkTypes) {
  addCards(54);
  staff.add({{"Ивлев", ""}, {"Иванова", ""}, {"Смирнов", ""}, {"Ивлев-Петров", ""}});
  start();
  typeOnList("Ив");
  EXPECT_EQ(selected(), "Иванова");
  EXPECT_EQ(selectedRow(), 1) << "the record found comes first";
  key(ui::key::kBackspace);
  EXPECT_EQ(selected(), "Иванова") << "И alone: the first surname with И";
  key(ui::key::kBackspace);
  typeOnList("Ивлев-");
  EXPECT_EQ(selected(), "Ивлев-Петров") << "a typed hyphen is part of the name, not Insert";
  for (int i = 0; i < 6; ++i) key(ui::key::kBackspace);
  for (int i = 0; i < 50; ++i) key('x');  // past 40 characters: taken, nothing more added
  EXPECT_EQ(engine.value(window, kLocator), std::string(40, 'x'));
  finish();

  setup.locator = ListSetup::Locate::kStep;
  start();
  typeOnList("С");
  EXPECT_EQ(selected(), "Смирнов");
  typeOnList("С");
  EXPECT_EQ(selected(), "Смирнов") << "the same letter again leaves the list where it is";
  finish();

  setup.locator = ListSetup::Locate::kFilteredAnywhere;
  start();
  typeOnList("рно");
  EXPECT_EQ(page(), Strings{"Смирнов"});
  key(ui::key::kBackspace);
  key(ui::key::kBackspace);
  key(ui::key::kBackspace);
  EXPECT_EQ(page().size(), 15u) << "with no text the filter is gone";
  finish();

  setup.locator = ListSetup::Locate::kFiltered;
  start();
  typeOnList("Ив");
  EXPECT_EQ(page(), (Strings{"Иванова", "Ивлев", "Ивлев-Петров"}));
  act(engine.userTypes(window, kLocator, ru("См")));
  EXPECT_EQ(page(), Strings{"Смирнов"});
  finish();
}

TEST_F(BrowseTest, InsertChangeDeleteAndSelectFromTheKeysAndTheMouse) {
  addCards(5);
  start();
  ASSERT_TRUE(engine.userKey(window, ui::key::kInsert));  // the list waits for its form now
  ui::WindowId form = thread->window("StaffUp");
  ASSERT_NE(form, 0u);
  ASSERT_TRUE(engine.userTypes(form, testing::kFormFam, ru("Вишнёв")));
  ASSERT_TRUE(thread->idle(form));
  engine.userPresses(form, testing::kFormOk);
  ASSERT_TRUE(thread->idle(window));
  EXPECT_EQ(selected(), "Вишнёв") << "the list stands on the record added";

  act(engine.userSelectsRow(window, kList, 1));
  ASSERT_TRUE(engine.userKey(window, ui::key::kControl + ui::key::kEnter));
  form = thread->window("StaffUp");
  EXPECT_EQ(platform::utf8From1251(*engine.value(form, testing::kFormFam)), "Аов1");
  ASSERT_TRUE(engine.userTypes(form, testing::kFormFam, ru("Аристов")));
  ASSERT_TRUE(thread->idle(form));
  engine.userPresses(form, testing::kFormOk);
  ASSERT_TRUE(thread->idle(window));
  EXPECT_EQ(selected(), "Аристов");

  ASSERT_TRUE(engine.userDoubleClicks(window, kList, 2));
  form = thread->window("StaffUp");
  ASSERT_NE(form, 0u) << "a double click changes";
  engine.userPresses(form, testing::kFormCancel);
  ASSERT_TRUE(thread->idle(window));

  engine.queueMessageBoxAnswer(ui::kButtonYes);
  act(engine.userSelectsRow(window, kList, 1));
  key(ui::key::kDelete);  // deleted without showing the form, after the question
  ASSERT_TRUE(thread->idle(window));
  EXPECT_EQ(page(), (Strings{"Бов2", "Вишнёв", "Вов3", "Гов4", "Дов5"}));
  EXPECT_EQ(staff.column(disk, "STF:FAM_KEY", "STF:FAM"), page());
  finish();

  setup.selecting = true;
  start();
  ASSERT_TRUE(engine.userDoubleClicks(window, kList, 3));
  EXPECT_EQ(thread->response(), kResponseCompleted);
  EXPECT_EQ(staff.get("STF:FAM"), "Вов3") << "the caller gets the chosen record in the buffer";
}

TEST_F(BrowseTest, AnEmptyListOffersOnlyInsertAndARecordDeletedElsewhereIsDropped) {
  start();
  EXPECT_TRUE(page().empty());
  EXPECT_FALSE(engine.snapshot(window)->controls.at(kChange).enabled);
  EXPECT_FALSE(engine.snapshot(window)->controls.at(kDelete).enabled);
  ASSERT_TRUE(engine.userKey(window, ui::key::kControl + ui::key::kEnter));
  const ui::WindowId form = thread->window("StaffUp");
  ASSERT_NE(form, 0u) << "on an empty list the change key offers an insert";
  EXPECT_EQ(engine.snapshot(form)->label, "StaffUp");
  engine.userPresses(form, testing::kFormCancel);
  ASSERT_TRUE(thread->idle(window));
  finish();

  addCards(3);
  start();
  act(engine.userSelectsRow(window, kList, 2));
  StaffTable other(disk, errors);
  ASSERT_EQ(other.manager.Open(), kLevelBenign);
  runtime::storeInteger(other.fieldOf("STF:NUM"), other.file->record(), 2);
  ASSERT_EQ(other.manager.Fetch(other.key("STF:NUM_KEY")), kLevelBenign);
  ASSERT_EQ(call(storage::Operation::Delete, *other.file), 0);
  other.manager.Close();
  key(ui::key::kControl + ui::key::kEnter);
  EXPECT_EQ(engine.findWindow("StaffUp"), 0u) << "no form for a record that is gone";
  EXPECT_EQ(page(), (Strings{"Аов1", "Вов3"}));
  finish();
}

TEST_F(BrowseTest, AReadErrorStopsTheFillWithId1AndLosesNothing) {
  addCards(30);
  disk.driver().fail(storage::Operation::Next, "STAFF", 90, 4);
  engine.queueMessageBoxAnswer(ui::kButtonOk);
  start();
  EXPECT_FALSE(page().empty()) << "the rows read before the error stay";
  EXPECT_LT(page().size(), 15u);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].caption, "Record Retrieval Error");
  scroll(ui::event::kScrollTop);
  EXPECT_EQ(page().size(), 15u) << "the next fill reads on";
  finish();
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:NUM").size(), 30u);
}

TEST_F(BrowseTest, ARangedListPrimesItsInsertsAndFollowsItsLimit) {
  staff.add({{"Агеев", "ТЕР"}, {"Белов", "ХИР"}, {"Волков", "ТЕР"}, {"Громов", "ХИР"}});
  setup.ranged = true;
  setDepartment("тер");
  start();
  EXPECT_EQ(page(), (Strings{"Агеев", "Волков"}));
  ASSERT_TRUE(engine.userKey(window, ui::key::kInsert));
  const ui::WindowId form = thread->window("StaffUp");
  ASSERT_TRUE(engine.userTypes(form, testing::kFormFam, ru("Дятлов")));
  ASSERT_TRUE(thread->idle(form));
  engine.userPresses(form, testing::kFormOk);
  ASSERT_TRUE(thread->idle(window));
  EXPECT_EQ(page(), (Strings{"Агеев", "Волков", "Дятлов"})) << "the new card belongs to the range";
  EXPECT_EQ(selected(), "Дятлов");
  setDepartment("ХИР");
  act(engine.userSelectsRow(window, kList, 1));  // any event: the list sees its limit moved
  EXPECT_EQ(page(), (Strings{"Белов", "Громов"}));
  finish();
}

TEST_F(BrowseTest, TheToolbarMovesTheListAndTakesItsFormFromRecordToRecord) {
  addCards(20);
  setup.toolbar = true;
  start();
  act(engine.userPresses(window, toolbar::kBottom));
  EXPECT_EQ(selected(), "Фов20");
  act(engine.userPresses(window, toolbar::kTop));
  act(engine.userPresses(window, toolbar::kDown));
  EXPECT_EQ(selectedRow(), 2);
  const std::string second = selected();
  ASSERT_TRUE(engine.userKey(window, ui::key::kControl + ui::key::kEnter));
  ui::WindowId form = thread->window("StaffUp");
  EXPECT_EQ(platform::utf8From1251(*engine.value(form, testing::kFormFam)), second);
  // "Next record" saves this one and brings the form back with the next.
  ASSERT_TRUE(engine.userTypes(form, testing::kFormFam, ru("Бабкин")));
  ASSERT_TRUE(thread->idle(form));
  ASSERT_TRUE(engine.userPresses(form, toolbar::kDown));
  form = thread->nextWindow("StaffUp", form);
  ASSERT_NE(form, 0u);
  const std::string next = platform::utf8From1251(*engine.value(form, testing::kFormFam));
  EXPECT_NE(next, "Бабкин");
  engine.userPresses(form, testing::kFormCancel);
  ASSERT_TRUE(thread->idle(window));
  EXPECT_EQ(selected(), next);
  EXPECT_EQ(staff.column(disk, "STF:NUM_KEY", "STF:FAM")[1], "Бабкин");
  finish();
}

TEST_F(BrowseTest, TheRightClickMenuActsForTheListsButtonsAndTheQueryFiltersIt) {
  addCards(30);
  setup.popup_and_query = true;
  start();
  engine.queuePopupChoice("&Change");
  ASSERT_TRUE(engine.userRightClicks(window, kList, 2));
  const ui::WindowId form = thread->window("StaffUp");
  ASSERT_NE(form, 0u) << "the menu's Change pressed the change button";
  EXPECT_EQ(platform::utf8From1251(*engine.value(form, testing::kFormFam)), page()[1]);
  engine.userPresses(form, testing::kFormCancel);
  ASSERT_TRUE(thread->idle(window));
  ASSERT_EQ(engine.shownPopups().size(), 1u);
  const std::string menu = engine.shownPopups()[0];
  for (const char* item : {"&Insert", "&Change", "&Delete", "&Query"})
    EXPECT_NE(menu.find(item), std::string::npos) << item;
  EXPECT_EQ(menu.find("&Select"), std::string::npos) << "only while selecting";

  ASSERT_TRUE(engine.userPresses(window, kQuery));
  const ui::WindowId query = thread->window("ABQUERY");
  ASSERT_NE(query, 0u);
  const auto shown = engine.snapshot(query);
  ui::ControlId value = 0;
  for (ui::ControlId id : shown->control_order) {
    if (value == 0 && shown->controls.at(id).description.kind == ui::ControlKind::kEntry) value = id;
  }
  ASSERT_TRUE(engine.userTypes(query, value, ru("Бов*")));
  ASSERT_TRUE(thread->idle(query));
  for (ui::ControlId id : shown->control_order) {
    if (shown->controls.at(id).text == "OK") engine.userPresses(query, id);
  }
  ASSERT_TRUE(thread->idle(window));
  EXPECT_EQ(page(), (Strings{"Бов2", "Бов29"}));
  finish();
}

TEST_F(BrowseTest, AHiddenListFillsWhenItShowsAndAWholeFileListMovesOnlyItsSelection) {
  addCards(30);
  start();
  engine.setHidden(window, kList, true);
  staff.add({{"Бааа", ""}});  // onto the page
  act(engine.userActivates(window));
  ui::WindowDescription other;
  other.label = "Other";
  const ui::WindowId elsewhere = engine.openWindow(other);
  act(engine.userActivates(window));
  act(engine.userActivates(elsewhere));
  act(engine.userActivates(window));  // a forced refill, skipped: the list is hidden
  const auto has = [&](const char* surname) {
    const Strings shown = page();
    return std::find(shown.begin(), shown.end(), surname) != shown.end();
  };
  EXPECT_FALSE(has("Бааа"));
  engine.closeWindow(elsewhere);
  engine.setHidden(window, kList, false);
  act(engine.userFocuses(window, kList));
  EXPECT_TRUE(has("Бааа")) << "filled once it shows";
  finish();

  setup.whole_file = true;
  start();
  EXPECT_EQ(page().size(), 31u) << "every record";
  scroll(ui::event::kPageDown);
  EXPECT_EQ(selectedRow(), 16);
  scroll(ui::event::kScrollBottom);
  EXPECT_EQ(selectedRow(), 31);
  EXPECT_EQ(page().size(), 31u);
  finish();
}

TEST_F(BrowseTest, ExportWritesEveryRowTheViewSelectsAndKeepsThePage) {
  addCards(40);
  // No popup of its own: the browse makes one, with "Экспорт…".
  setup.locator = ListSetup::Locate::kFiltered;
  const std::filesystem::path directory = disk.directory() / "export";
  std::filesystem::create_directories(directory);
  struct Case {
    const char* typed;  // into the filtered locator first
    std::string file;
    bool from_menu;  // else Ctrl+E
  };
  for (const Case& c : {Case{"", "all.csv", false}, Case{"Б", "b.xlsx", true}}) {
    SCOPED_TRACE(c.file);
    start();
    if (*c.typed != '\0') typeOnList(c.typed);
    const Strings shown = page();
    std::vector<std::string> expected;
    for (const std::string& utf8 : staff.column(disk, "STF:FAM_KEY", "STF:FAM")) {
      if (utf8.rfind(c.typed, 0) == 0) expected.push_back(utf8 + ";" + utf8.substr(utf8.find("ов") + 4));
    }
    ASSERT_GT(expected.size(), 1u);
    const std::string path = (directory / c.file).string();
    engine.queueFileDialogAnswer(path);
    if (c.from_menu) {
      engine.queuePopupChoice("&Export...");
      ASSERT_TRUE(engine.userRightClicks(window, kList, 1));
      ASSERT_TRUE(thread->idle(window));
    } else {
      key(ui::key::kControl + 'E');
    }
    std::vector<std::string> lines;
    if (c.from_menu) {
      for (std::string line : testing::readXlsxBack(path)) {
        if (line.rfind("s:", 0) != 0) continue;
        std::erase(line, ' ');
        for (const char* mark : {"s:", "n:"}) {
          for (std::size_t at = line.find(mark); at != std::string::npos; at = line.find(mark))
            line.erase(at, 2);
        }
        lines.push_back(line);
      }
    } else {
      std::ifstream in(path, std::ios::binary);
      for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.size() - 1));
      ASSERT_FALSE(lines.empty());
      lines.front().erase(0, 3);  // the byte-order mark
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), c.from_menu ? "Фамилия;Таб.№" : "Фамилия;Таб. №");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), expected);
    EXPECT_EQ(page(), shown) << "the page the clerk saw is back";
    finish();
  }
}

}  // namespace
}  // namespace veltrano::framework

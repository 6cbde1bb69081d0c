#include "runtime/datetime/environment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "runtime/datetime/char_tables.h"
#include "runtime/datetime/cp1251_letters.h"
#include "runtime/datetime/locale.h"
#include "runtime/errors/error_state.h"
#include "runtime/errors/messages.h"

namespace veltrano::runtime {
namespace {

using platform::ru;

class Environment : public ::testing::Test {
 protected:
  void SetUp() override {
    resetLocaleToDefaults();
    clearErrors();
    directory_ = std::filesystem::temp_directory_path() / ("veltrano-env-" + std::to_string(::getpid()));
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override {
    resetLocaleToDefaults();
    std::filesystem::remove_all(directory_);
  }
  std::string writeFile(const std::string& name, std::string_view bytes) {
    const std::string path = (directory_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::uint8_t byte(std::string_view utf8) { return static_cast<std::uint8_t>(ru(utf8).front()); }
  // Collation weights of a 1251 text, for comparing surnames the way string comparison does.
  static std::vector<std::uint8_t> weightsOf(std::string_view utf8) {
    std::vector<std::uint8_t> out;
    for (const char c : ru(utf8)) out.push_back(charTables().collation[static_cast<std::uint8_t>(c)]);
    return out;
  }
  static std::string upper(std::string_view utf8) {
    std::string text = ru(utf8);
    for (char& c : text) {
      const auto code = static_cast<std::uint8_t>(c);
      if (charTables().flags[code] == kCaseLower) c = static_cast<char>(charTables().partner[code]);
    }
    return text;
  }

  std::filesystem::path directory_;
};

TEST_F(Environment, LinesKeysAndValues) {
  const auto lines = parseEnvironmentLines(
      "vesLfn=  on  \r\n"
      "  VES MON =Jan\n"
      "garbage line without equals\r"
      "\n\n"
      "VESMSG7=a<65>b<<c<66d<300>e\t\n"
      "VESMSG8=<32>x<32>  \n"
      "VESMSG9=last\x1AVESMSG10=never read");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].key, "vesLfn");
  EXPECT_EQ(lines[0].value, "on");
  EXPECT_EQ(lines[1].key, "VESMON");
  EXPECT_EQ(lines[1].value, "Jan");
  EXPECT_EQ(lines[2].value, "aAb<cBd<300>e");
  EXPECT_EQ(lines[3].value, " x ");
  EXPECT_EQ(lines[4].key, "VESMSG9");
  EXPECT_EQ(lines[4].value, "last");
}

TEST_F(Environment, OverlongKeysAndValuesAreCut) {
  const std::string text = std::string(40, 'K') + "=" + std::string(2000, 'v') + "\nVESLFN=on";
  const auto lines = parseEnvironmentLines(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].key.size(), 31u);
  EXPECT_EQ(lines[0].value.size(), 1024u);
  EXPECT_EQ(lines[1].key, "VESLFN");
}

TEST_F(Environment, Items) {
  using Items = std::vector<std::string>;
  EXPECT_EQ(environmentItems("a, b ,c", false), (Items{"a", "b", "c"}));
  EXPECT_EQ(environmentItems("a,,c", false), (Items{"a", "", "c"}));
  EXPECT_EQ(environmentItems("a, b", true), (Items{"a, b"}));
  EXPECT_EQ(environmentItems(R"("x, y" , "say ""hi""","z)", false), (Items{"x, y", R"(say "hi")", "z"}));
  EXPECT_EQ(environmentItems(R"("first",rest)", true), (Items{"first"}));
  EXPECT_TRUE(environmentItems("", false).empty());
}

TEST_F(Environment, MonthsAndDesignators) {
  applyEnvironmentText(
      "VESMONTH=Январь,Февраль,Март,Апрель,Май,Июнь,Июль,Август,Сентябрь,Октябрь,Ноябрь,Декабрь,Extra\n"
      "VESMON=Jan-uary,Feb\n"
      "VESAMPM=am.,pm.\n");
  EXPECT_EQ(localeTables().month_names[0], "Январь");  // UTF-8 bytes, cut to 12 bytes
  EXPECT_EQ(localeTables().month_names[0].size(), 12u);
  EXPECT_EQ(localeTables().month_names[2], "Март");
  EXPECT_EQ(localeTables().month_abbreviations[0], "Jan");
  EXPECT_EQ(localeTables().month_abbreviations[1], "Feb");
  EXPECT_EQ(localeTables().month_abbreviations[2], "Mar");  // not named: unchanged
  EXPECT_EQ(localeTables().am, "am");
  EXPECT_EQ(localeTables().pm, "pm");
}

TEST_F(Environment, DesignatorsFromTheProfile) {
  const std::string profile = writeFile("profile.ini", "[intl]\ns1159=Morning\ns2359=ev\n");
  ::setenv("VELTRANO_PROFILE", profile.c_str(), 1);
  reloadIntlSettings();
  applyEnvironmentText("VESAMPM=windows\n");
  EXPECT_EQ(localeTables().am, "Mo");
  EXPECT_EQ(localeTables().pm, "ev");
  ::unsetenv("VELTRANO_PROFILE");
  reloadIntlSettings();
}

TEST_F(Environment, CharacterSetFlagConvertsLaterValuesFromOem) {
  const std::string march_oem = platform::oemFromAnsi(ru("Март"));
  applyEnvironmentText("VESMONTH=" + march_oem + "\nVESCHARSET=oem\nVESMON=" + march_oem + "\n");
  EXPECT_TRUE(localeTables().oem_charset);
  EXPECT_EQ(localeTables().month_names[0], march_oem);  // read before the flag was set
  EXPECT_EQ(localeTables().month_abbreviations[0], ru("Мар"));
  applyEnvironmentText("VESCHARSET=ANSI\n");
  EXPECT_FALSE(localeTables().oem_charset);
}

TEST_F(Environment, CaseTable) {
  applyEnvironmentText("VESCASE=" + ru("ЁЖ,ёж") + "\n");
  EXPECT_EQ(charTables().partner[byte("ё")], byte("Ё"));
  EXPECT_EQ(charTables().flags[byte("Ж")], kCaseUpper);
  EXPECT_EQ(charTables().flags[byte("ж")], kCaseLower);
  EXPECT_EQ(charTables().flags[byte("а")], 0);  // the upper half starts empty
  EXPECT_EQ(charTables().partner['a'], 'A');    // the ASCII half stays
  EXPECT_EQ(charTables().flags['7'], kCaseDigit);

  applyEnvironmentText("VESCASE=" + ru("АБ,а") + "\n");  // lengths differ: the code page's own
  for (const auto& [u, l] : cp1251CasePairs()) {
    EXPECT_EQ(charTables().partner[l], u);
    EXPECT_EQ(charTables().flags[u], kCaseUpper);
  }
  applyEnvironmentText("VESCASE=\n");
  EXPECT_EQ(charTables().partner[byte("я")], 0);
  EXPECT_EQ(charTables().partner['z'], 'Z');
}

TEST_F(Environment, CollatingSequenceBuildsBothTables) {
  applyEnvironmentText("VESCOLSEQ=" + ru("ЕЁЖ") + "\n");
  // Е 0xC5, Ж 0xC6, Ё 0xA8: Ё takes the middle code of the three.
  EXPECT_EQ(charTables().collation[byte("Е")], 0xA8);
  EXPECT_EQ(charTables().collation[byte("Ё")], 0xC5);
  EXPECT_EQ(charTables().collation[byte("Ж")], 0xC6);
  const auto oem = [](std::string_view utf8) { return platform::oemFromAnsi(byte(utf8)); };
  EXPECT_LT(charTables().collation_oem[oem("Е")], charTables().collation_oem[oem("Ё")]);
  EXPECT_LT(charTables().collation_oem[oem("Ё")], charTables().collation_oem[oem("Ж")]);

  // Under VESCHARSET=OEM the sequence itself is OEM text.
  applyEnvironmentText("VESCHARSET=OEM\nVESCOLSEQ=" + platform::oemFromAnsi(ru("ЖЕ")) + "\n");
  EXPECT_LT(charTables().collation[byte("Ж")], charTables().collation[byte("Е")]);
  EXPECT_LT(charTables().collation_oem[oem("Ж")], charTables().collation_oem[oem("Е")]);

  applyEnvironmentText("VESCOLSEQ=\n");
  EXPECT_EQ(charTables().collation[byte("Ж")], byte("Ж"));
}

TEST_F(Environment, WindowsCollationAndCase) {
  applyEnvironmentText("VESCOLSEQ=Windows\n");
  EXPECT_LT(charTables().collation['a'], charTables().collation['A']);
  EXPECT_LT(charTables().collation['A'], charTables().collation['b']);
  EXPECT_LT(weightsOf("Елин"), weightsOf("Ёлкин"));
  EXPECT_LT(weightsOf("Ёлкин"), weightsOf("Жуков"));
  resetLocaleToDefaults();
  loadEnvironment("windows");
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(upper("ёжик ђ"), ru("ЁЖИК Ђ"));
  EXPECT_LT(weightsOf("Ёлкин"), weightsOf("Жуков"));
}

TEST_F(Environment, Digraphs) {
  applyEnvironmentText("VESDIGRAPH=" + ru("ÆAE,ßssØoe") + "\n");
  // Letters outside code page 1251 arrive as "?", but each still makes an entry of three.
  ASSERT_EQ(charTables().digraphs.size(), 3u);
  EXPECT_EQ(charTables().digraphs[2].first, 'o');
  applyEnvironmentText("VESDIGRAPH=" + ru("ЁЕЕ") + "xyzq\n");
  ASSERT_EQ(charTables().digraphs.size(), 2u);  // the stray "q" is dropped
  EXPECT_EQ(charTables().digraphs[0].character, byte("Ё"));
  EXPECT_EQ(charTables().digraphs[0].first, byte("Е"));
  EXPECT_EQ(charTables().digraphs[1].second, 'z');
  EXPECT_EQ(charTables().digraphs_oem[0].character, platform::oemFromAnsi(byte("Ё")));
  std::string many;
  for (int i = 0; i < 20; ++i) many += "abc";
  applyEnvironmentText("VESDIGRAPH=" + many + "\n");
  EXPECT_EQ(charTables().digraphs.size(), 16u);
}

TEST_F(Environment, MessagesButtonsAndLongFileNames) {
  applyEnvironmentText(
      "VESBUTTON=&OK, &Cancel,&Retry\n"
      "VESMSG2=Нет файла, увы\n"
      "VESMSG501=first\n"
      "vesmsg501=\"second\",\"ignored\"\n"
      "VESMSG=no number\n"
      "VESMSGX=not a number\n"
      "VESLFN=ON\n");
  ASSERT_NE(messageOverride(32512), nullptr);
  EXPECT_EQ(*messageOverride(32512), "&OK");
  EXPECT_EQ(*messageOverride(32513), "&Cancel");
  EXPECT_EQ(*messageOverride(32514), "&Retry");
  EXPECT_EQ(messageOverride(32515), nullptr);
  EXPECT_EQ(*messageOverride(2), "Нет файла, увы");  // one item: the comma stays
  EXPECT_EQ(*messageOverride(501), "second");
  EXPECT_EQ(messageText(501), "second");
  EXPECT_TRUE(localeTables().long_file_names);
  applyEnvironmentText("VESLFN=yes\n");
  EXPECT_FALSE(localeTables().long_file_names);
}

TEST_F(Environment, LoadingFiles) {
  loadEnvironment((directory_ / "missing.ENV").string());
  EXPECT_EQ(errorCode(), 2);
  EXPECT_EQ(localeTables().month_names[0], "January");

  loadEnvironment("");
  EXPECT_EQ(errorCode(), 0);

  const std::string path = writeFile("prog.ENV", "VESMON=Ene\r\n");
  loadEnvironment(path);
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(localeTables().month_abbreviations[0], "Ene");
  // A later load replaces only what it names.
  loadEnvironment(writeFile("other.ENV", "VESMONTH=Enero\n"));
  EXPECT_EQ(localeTables().month_abbreviations[0], "Ene");
  EXPECT_EQ(localeTables().month_names[0], "Enero");

  loadStartupEnvironment((directory_ / "prog").string());
  EXPECT_EQ(errorCode(), 0);
}

TEST_F(Environment, FileBesideTheProgram) {
  EXPECT_EQ(environmentFileFor("/opt/app/veltrano"), "/opt/app/veltrano.ENV");
  EXPECT_EQ(environmentFileFor("/opt/app/veltrano.exe"), "/opt/app/veltrano.ENV");
  EXPECT_EQ(environmentFileFor("/opt/app.d/veltrano"), "/opt/app.d/veltrano.ENV");
  EXPECT_EQ(environmentFileFor("veltrano"), "veltrano.ENV");
}

TEST_F(Environment, StartupFileBesideTheProgramElseWhereThePackageInstallsIt) {
  const std::filesystem::path bin = directory_ / "bin";
  const std::filesystem::path share = directory_ / "share" / "veltrano";
  struct Case {
    bool beside, installed;
    std::string expected;
  };
  const std::string beside_file = (bin / "prog.ENV").string();
  const std::string installed_file = (bin / ".." / "share" / "veltrano" / "prog.ENV").string();
  for (const Case& c : {Case{true, false, beside_file}, Case{true, true, beside_file},
                        Case{false, true, installed_file}, Case{false, false, beside_file}}) {
    std::filesystem::remove_all(bin);
    std::filesystem::remove_all(share);
    std::filesystem::create_directories(bin);
    std::filesystem::create_directories(share);
    if (c.beside) std::ofstream(bin / "prog.ENV") << "VESMON=Ene\n";
    if (c.installed) std::ofstream(share / "prog.ENV") << "VESMON=Ene\n";
    EXPECT_EQ(startupEnvironmentFile((bin / "prog").string()), c.expected)
        << "beside " << c.beside << ", installed " << c.installed;
  }
}

TEST_F(Environment, ShippedFileGivesRussianCaseAndOrder) {
  loadEnvironment(VELTRANO_SOURCE_DIR "/locale/veltrano.ENV");
  ASSERT_EQ(errorCode(), 0);
  EXPECT_EQ(upper("ёжик"), ru("ЁЖИК"));
  EXPECT_EQ(upper("щука яблоко"), ru("ЩУКА ЯБЛОКО"));
  EXPECT_LT(weightsOf("Елин"), weightsOf("Ёлкин"));
  EXPECT_LT(weightsOf("Ёлкин"), weightsOf("Жуков"));
  EXPECT_LT(weightsOf("елин"), weightsOf("ёлкин"));
  EXPECT_LT(weightsOf("ёлкин"), weightsOf("жуков"));
  EXPECT_LT(weightsOf("Юдин"), weightsOf("Яковлев"));
  EXPECT_LT(weightsOf("Z"), weightsOf("А"));
  // The sequence is the complete printable order: every printable code has its own weight.
  std::set<std::uint8_t> weights;
  for (int code = 32; code < 256; ++code)
    if (code != 127) weights.insert(charTables().collation[static_cast<std::size_t>(code)]);
  EXPECT_EQ(weights.size(), 223u);
  EXPECT_EQ(localeTables().month_names[2], ru("Март"));
  EXPECT_EQ(localeTables().month_abbreviations[11], ru("Дек"));
}

}  // namespace
}  // namespace veltrano::runtime

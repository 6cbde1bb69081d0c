#include "tests/torture/stations_torture_whole_file.h"

#include <filesystem>
#include <set>
#include <stdexcept>

#include "storage/page_file.h"
#include "storage/wendlock_check.h"

namespace veltrano::torture {
namespace {

using storage::DeclaredFile;
using storage::Operation;
using storage::OperationArguments;

constexpr int kAccessDenied = 5;

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error("whole-file operation: " + what);
}

void expect(int error, const std::string& what) {
  if (error != 0) fail(what + " gave " + describeError(error));
}

int withText(DeclaredFile& file, Operation operation, const std::string& text) {
  OperationArguments arguments;
  arguments.text = text;
  return statement(file, operation, arguments);
}

class Runner {
 public:
  Runner(WholeFileStation& station, std::mt19937_64& random) : station_(station), random_(random) {}

  void run() {
    switch (random_() % 9) {
      case 0: return build(*station_.tables.items, "whole-build-items");
      case 1: return build(*station_.tables.notes, "whole-build-notes");
      case 2: return buildClosed();
      case 3: return pack();
      case 4: return copyItems(false);
      case 5: return copyItems(true);
      case 6: return renameScratch();
      case 7: return emptyOrRemoveScratch();
      default: return copyWholeFile();
    }
  }

 private:
  std::string scratchName(const char* kind) const { return "SCR" + std::to_string(station_.station) + kind; }
  std::unique_ptr<DeclaredFile> scratch(bool beta, const char* kind = "") const {
    return itemsLikeTable(beta ? betaPath(station_.directory) : alphaPath(station_.directory),
                          scratchName(kind));
  }
  void count(const std::string& name) { ++station_.statistics[name]; }

  // BUILD of a table the station has open, every key from all records.
  void build(DeclaredFile& file, const std::string& name) {
    expect(withText(file, Operation::Send, "FULLBUILD=ON"), "FULLBUILD");
    expect(statement(file, Operation::BuildFile), "BUILD of " + file.file().label);
    count(name);
  }

  // BUILD of a closed file opens it denying writes, which every other station's sharing refuses.
  void buildClosed() {
    auto items = itemsLikeTable(alphaPath(station_.directory), "ITEMS");
    const int built = statement(*items, Operation::BuildFile);
    if (built != 0 && built != kAccessDenied) expect(built, "BUILD of a closed ITEMS");
    count(built == 0 ? "whole-build-closed" : "whole-build-closed-refused");
  }

  void pack() {
    expect(statement(*station_.tables.items, Operation::Pack), "PACK of ITEMS");
    count("whole-pack");
  }

  // COPY of ITEMS over the station's scratch table (CREATE over an existing table inside it), in
  // the same file or across to BETA.WLK; the copy must be one state of ITEMS.
  void copyItems(bool across) {
    auto items = itemsLikeTable(alphaPath(station_.directory), "ITEMS");
    const std::string target =
        (across ? betaPath(station_.directory) : alphaPath(station_.directory)) + "\\!" + scratchName("");
    expect(withText(*items, Operation::Copy, target), "COPY of ITEMS to " + target);
    verifyCopy(*scratch(across));
    count(across ? "whole-copy-across" : "whole-copy");
  }

  void verifyCopy(DeclaredFile& copy) {
    expect(openShared(copy), "OPEN of a copy of ITEMS");
    expect(statement(copy, Operation::SetFile), "SET");
    std::set<std::int64_t> own;
    for (;;) {
      const int next = statement(copy, Operation::Next);
      if (next == 33) break;
      expect(next, "NEXT in a copy of ITEMS");
      if (const auto problem = itemProblem(copy); !problem.empty()) fail("the copy holds a torn " + problem);
      const std::int64_t id = number(copy, kItemId);
      if (ownerOfItem(id) != station_.station) continue;
      const auto known = station_.own_items.find(id);
      if (known == station_.own_items.end() || number(copy, kItemStamp) != known->second.stamp)
        fail("the copy of ITEMS holds own item " + std::to_string(id) + " as this station did not leave it");
      own.insert(id);
    }
    if (own.size() != station_.own_items.size())
      fail("the copy of ITEMS holds " + std::to_string(own.size()) + " own items of " +
           std::to_string(station_.own_items.size()));
    expect(statement(copy, Operation::Close), "CLOSE");
  }

  // RENAME of the scratch table within ALPHA.WLK (CREATE first when it is not there).
  void renameScratch() {
    auto from = scratch(false), to = scratch(false, "R");
    int renamed =
        withText(*from, Operation::Rename, alphaPath(station_.directory) + "\\!" + scratchName("R"));
    if (renamed == 2) {
      expect(statement(*from, Operation::Create), "CREATE of the scratch table");
      renamed = withText(*from, Operation::Rename, alphaPath(station_.directory) + "\\!" + scratchName("R"));
    }
    expect(renamed, "RENAME of the scratch table");
    expect(withText(*to, Operation::Rename, alphaPath(station_.directory) + "\\!" + scratchName("")),
           "RENAME of the scratch table back");
    count("whole-rename");
  }

  // EMPTY or REMOVE of the scratch table, then CREATE over what is left.
  void emptyOrRemoveScratch() {
    const bool beta = random_() % 2 == 0;
    auto table = scratch(beta);
    if (random_() % 2 == 0) {
      if (const int opened = openShared(*table); opened == 2) {
        expect(statement(*table, Operation::Create), "CREATE of the scratch table");
        expect(openShared(*table), "OPEN of the scratch table");
      } else {
        expect(opened, "OPEN of the scratch table");
      }
      expect(statement(*table, Operation::Empty), "EMPTY of the scratch table");
      if (statement(*table, Operation::RecordsFile) != 0) fail("EMPTY left records");
      expect(statement(*table, Operation::Close), "CLOSE");
      count("whole-empty");
    } else {
      const int removed = statement(*table, Operation::Remove);
      if (removed != 0 && removed != 2) expect(removed, "REMOVE of the scratch table");
      count("whole-remove");
    }
    expect(statement(*table, Operation::Create), "CREATE over the scratch table");
    count("whole-create");
  }

  // A copy of the whole of BETA.WLK taken while the others write it must be a sound storage file.
  void copyWholeFile() {
    const std::string copy = station_.directory + "/COPY" + std::to_string(station_.station) + ".WLK";
    auto beta = itemsLikeTable(betaPath(station_.directory), "NOTES");
    beta->setName(betaPath(station_.directory));  // no table part: the whole storage file
    expect(withText(*beta, Operation::Copy, copy), "COPY of BETA.WLK");
    storage::PageFileOptions options;
    options.read_only = true;
    int error = 0;
    auto file = storage::PageFile::open(copy, platform::Creation::OpenExisting, options, &error);
    if (!file) fail("the copy of BETA.WLK does not open: " + std::to_string(error));
    if (const auto problems = storage::checkEntries(*file); !problems.empty())
      fail("the copy of BETA.WLK fails the entry check: " + problems.front());
    file.reset();
    std::filesystem::remove(copy);
    count("whole-file-copy");
  }

  WholeFileStation& station_;
  std::mt19937_64& random_;
};

}  // namespace

void runWholeFileOperation(WholeFileStation& station, std::mt19937_64& random) {
  Runner(station, random).run();
}

}  // namespace veltrano::torture

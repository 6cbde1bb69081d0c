#include "tools/wlk/file_verification.h"

#include <cstdio>
#include <optional>

#include "platform/codepage.h"
#include "storage/lock_operation.h"
#include "storage/page_file.h"
#include "storage/storage_failure.h"
#include "storage/wendlock_check.h"
#include "storage/wendlock_driver.h"
#include "storage/wendlock_key_order.h"
#include "storage/wendlock_station.h"

namespace veltrano::wlk {
namespace {

// At most this many problems are printed with a refusal; wlk check lists them all.
constexpr std::size_t kProblemsShown = 5;

std::string describe(const storage::KeyOrderDisagreement& disagreement) {
  return disagreement.key + ": " + std::to_string(disagreement.disagreeing) + " of " +
         std::to_string(disagreement.sampled) + " sampled records";
}

// Why the keys of the table disagree, and which option is missing; empty when they agree.
std::string keyOrderProblem(const std::vector<storage::KeyOrderDisagreement>& disagreements, bool oem) {
  if (disagreements.empty()) return {};
  const std::string table = platform::utf8From1251(disagreements.front().table);
  bool character_set = true;
  for (const auto& disagreement : disagreements)
    character_set = character_set && disagreement.other_character_set_agrees;
  if (character_set) {
    return oem ? "table " + table +
                     " keeps its text in code page 1251, not the OEM code page (its keys say so): "
                     "leave out --oem"
               : "table " + table +
                     " keeps its text in the OEM code page, as the application's files do (its "
                     "keys say so): give --oem";
  }
  return "the keys of table " + table + " are not in the order the collation in use gives (" +
         platform::utf8From1251(describe(disagreements.front())) +
         "): the file was written with another environment file; give that one with --env FILE";
}

}  // namespace

void reportDamage(std::string_view path_utf8, const std::vector<std::string>& problems,
                  std::string_view consequence) {
  std::fprintf(stderr, "wlk: %s is damaged; %s:\n", std::string(path_utf8).c_str(),
               std::string(consequence).c_str());
  for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i)
    std::fprintf(stderr, "  %s\n", platform::utf8From1251(problems[i]).c_str());
  if (problems.size() > kProblemsShown)
    std::fprintf(stderr, "  and %zu more\n", problems.size() - kProblemsShown);
  std::fprintf(stderr,
               "  wlk check %s lists what is wrong; restore the file from a backup (or, when only keys "
               "are damaged, rebuild them with wlk build)\n",
               std::string(path_utf8).c_str());
}

bool verifiedForWriting(const CommonOptions& options, storage::DeclaredFile& file, WriteIntent intent) {
  auto* state = storage::WendlockDriver::stateOf(file.file());
  if (state == nullptr || !state->file) return true;
  std::vector<storage::KeyOrderDisagreement> disagreements;
  std::vector<storage::CheckProblem> problems;
  {
    // One read lock over both, so that another station's update is seen whole or not at all.
    const auto reading = file.file().driver->holdReads(file.file());
    try {
      disagreements = storage::keyOrderDisagreements(state->file->tree(), options.oem, state->name.table);
    } catch (const storage::StorageFailure&) {
      // The full check below reports what could not be read.
    }
    problems = storage::checkFile(state->file->tree(), options.oem);
  }
  if (const auto problem = keyOrderProblem(disagreements, options.oem); !problem.empty()) {
    std::fprintf(stderr, "wlk: %s; nothing was written\n", problem.c_str());
    return false;
  }
  std::vector<std::string> blocking;
  for (const auto& problem : problems) {
    if (intent == WriteIntent::Keys && problem.mended_by_build) continue;
    blocking.push_back(problem.text);
  }
  if (blocking.empty()) return true;
  reportDamage(platform::utf8From1251(state->name.path), blocking, "nothing was written");
  return false;
}

std::vector<std::string> problemsOf(const CommonOptions& options, storage::DeclaredFile& file) {
  auto* state = storage::WendlockDriver::stateOf(file.file());
  if (state == nullptr || !state->file) return {};
  const auto reading = file.file().driver->holdReads(file.file());
  return storage::checkEntries(state->file->tree(), options.oem);
}

std::uint32_t fileVersion(storage::DeclaredFile& file) {
  auto* state = storage::WendlockDriver::stateOf(file.file());
  if (state == nullptr || !state->file) return 0;
  const auto* pages = dynamic_cast<const storage::PageFile*>(&state->file->tree());
  return pages == nullptr ? 0 : pages->changeCounter();
}

std::vector<std::string> collationProblems(storage::EntryTree& tree, bool oem) {
  std::vector<std::string> problems;
  try {
    for (const auto& disagreement : storage::keyOrderDisagreements(tree, oem)) {
      if (disagreement.other_character_set_agrees) continue;  // the check reads such a table both ways
      problems.push_back("table " + disagreement.table +
                         ": the keys are not in the order the collation in use "
                         "gives (" +
                         describe(disagreement) +
                         " disagree): the file was written with another environment file; give that one "
                         "with --env FILE");
    }
  } catch (const storage::StorageFailure&) {
    // The full check reports what could not be read.
  }
  return problems;
}

std::vector<std::string> damageOfFile(const CommonOptions& options, std::string_view path) {
  try {
    int error = 0;
    const std::string owner = platform::cp1251FromUtf8(options.owner);
    auto file = storage::wendlockDriver().catalog().open({path, owner, true, false}, &error);
    if (!file) return {};
    // A reader slot, so that another station's update is not seen half written.
    std::optional<storage::OperationLock> reading;
    if (auto* station = file->station()) reading.emplace(station->gate(), false);
    return storage::checkEntries(file->tree(), options.oem);
  } catch (const storage::StorageFailure& failure) {
    return {"storage failure " + std::to_string(failure.number()) + " while opening the file"};
  }
}

}  // namespace veltrano::wlk

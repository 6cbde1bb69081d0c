#include "app/reports/selection_rules.h"

#include "platform/codepage.h"

namespace veltrano::app::reports {
namespace {

using platform::ru;

constexpr FormLineRange kOtherLines{kNurseLines.last + 1, 999};

}  // namespace

std::string retirementFilter() {
  return "(KAR:data_uvol='' and KAR:sovmestitel=0 and ((year(KAR:datr)=datan-55 and KAR:pol=0) or "
         "(year(KAR:datr)=datan-60 and KAR:pol=1)))";
}

std::string categoryFilter() {
  return "(KAR:data_uvol='' and KAR:sovmestitel=0 and KAR:str>=st1 and KAR:str<=st2 and KAR:kategor=katg)";
}

std::string partTimerFilter() {
  return "(KAR:data_uvol='' and KAR:sovmestitel=1)";
}

std::string professionFilter() {
  return "(KAR:data_uvol='' and KAR:sovmestitel=0 and KAR:str>=st1 and KAR:str<=st2 and KAR:proff=profg and "
         "KAR:post=postg)";
}

std::string overdueFilter(std::int32_t threshold) {
  // The threshold is written into the text: it is fixed when the window opens, and a name bound
  // for one window would outlive it in the program's one set of bindings.
  const std::string d = std::to_string(threshold);
  return "(KAR:data_uvol=''and((KAR:str>=04 and KAR:str<=82)or(KAR:str>=96 and KAR:str<=132))and "
         "KAR:sovmestitel=0 and((KAR:datap~=''and KAR:datap<=" +
         d + ")or(KAR:datas~=''and KAR:datas<=" + d + ")or(KAR:dataa~=''and KAR:dataa<=" + d + ")))";
}

std::string roleOfLines(std::int64_t first, std::int64_t last) {
  if (first == kDoctorLines.first && last == kDoctorLines.last) return ru("Врачи");
  if (first == kNurseLines.first && last == kNurseLines.last) return ru("Медсестры");
  return {};
}

std::optional<FormLineRange> tradeUnionLines(std::string_view group) {
  if (group == ru("Другие")) return kOtherLines;
  return roleLines(group);
}

// The positions compare without regard to case: the staff's book writes "Санитарка" where the
// rule names "санитарка", and a clerk's position chosen from it must still be found.
std::optional<std::string> tradeUnionFilter(std::string_view group) {
  const std::string current = "KAR:data_uvol='' and KAR:sovmestitel=0";
  if (group == ru("Врачи") || group == ru("Медсестры")) return current + " and KAR:str>=st1 and KAR:str<=st2";
  if (group == ru("Санитары")) return current + ru(" and (UPPER(SUB(KAR:post,1,9))=UPPER('санитарка'))");
  if (group == ru("Другие"))
    return current +
           ru(" and KAR:str>=st1 and KAR:str<=st2 and (UPPER(SUB(KAR:post,1,9))~=UPPER('санитарка'))");
  return std::nullopt;
}

}  // namespace veltrano::app::reports

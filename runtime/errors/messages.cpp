#include "runtime/errors/messages.h"

#include <map>
#include <mutex>

#include "platform/os_error.h"

namespace veltrano::runtime {
namespace {

std::mutex overrides_mutex;
std::map<int, std::string>& overrides() {
  static std::map<int, std::string> table;
  return table;
}

}  // namespace

std::string_view builtInMessageText(int code) {
  switch (code) {
    case 2: return "File Not Found";
    case 3: return "Path Not Found";
    case 4: return "Too Many Open Files";
    case 5: return "Access Denied";
    case 7: return "Memory Corrupted";
    case 8: return "Insufficient Memory";
    case 30: return "Entry Not Found";
    case 32: return "File Is Already Locked";
    case 33: return "Record Not Available";
    case 35: return "Record Not Found";
    case 36: return "Invalid Data File";
    case 37: return "File Not Open";
    case 38: return "Invalid Key File";
    case 40: return "Creates Duplicate Key";
    case 43: return "Record Is Already Held";
    case 45: return "Invalid Filename";
    case 46: return "Key File Must Be Rebuilt";
    case 47: return "Invalid Record Declaration";
    case 48: return "Unable To Log Transaction";
    case 52: return "File Already Open";
    case 53: return "Invalid Vesmark File";
    case 54: return "No Create Attribute";
    case 55: return "File Must Be Shared";
    case 56: return "LOGOUT Already Active";
    case 57: return "Invalid Memo File";
    case 63: return "Exclusive Access Required";
    case 64: return "Sharing Violation";
    case 65: return "Unable To ROLLBACK Transaction";
    case 73: return "Memo File Missing";
    case 75: return "Invalid Field Type Descriptor";
    case 76: return "Invalid Index String";
    case 77: return "Unable To Access Index";
    case 78: return "Invalid Number Of Parameters ";
    case 79: return "Unsupported Data Type In File";
    case 80: return "Unsupported File Driver Function";
    case 81: return "Unknown Error Posted";
    case 88: return "Invalid Key Length";
    case 89: return "Record Changed By Another Station";
    case 90: return "File System Error";
    case 91: return "LOGOUT Not Active";
    case 92: return "BUILD In Progress";
    case 93: return "BUILD Cancelled";
    case 94: return "Record Limit Exceeded";
    case 95: return "Server Not Found";
    case 96: return "Remote Object Not Found";
    case 406: return "Expression Evaluation Error";
    case 501: return "String Stack Error";
    case 800: return "Syntax Error in Filter";
    case 801: return "No BIND on variable";
    case 802: return "Mismatched PUSHSCOPE/POPSCOPE";
    default: break;
  }
  if (code > 300 && code <= 391) return platform::osErrorText(code - 300);
  return {};
}

std::string messageText(int code) {
  if (const auto* text = messageOverride(code); text != nullptr) return *text;
  const auto built_in = builtInMessageText(code);
  if (!built_in.empty()) return std::string(built_in);
  return std::string(builtInMessageText(81)) + " : " + std::to_string(code);
}

void setMessageOverride(int code, std::string_view text) {
  std::lock_guard lock(overrides_mutex);
  overrides()[code] = std::string(text);
}

const std::string* messageOverride(int code) {
  std::lock_guard lock(overrides_mutex);
  const auto found = overrides().find(code);
  return found == overrides().end() ? nullptr : &found->second;
}

void clearMessageOverrides() {
  std::lock_guard lock(overrides_mutex);
  overrides().clear();
}

}  // namespace veltrano::runtime

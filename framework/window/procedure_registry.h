// Procedures by number. A browse calls its update form, a form its lookup lists, a list its
// reports by a procedure number (the browse's ASKPROCEDURE and PRINTPROCEDURE, a combo's
// ASKPROCEDURE); the controller's Run(procedureNumber, request) turns the number into the
// procedure through the registry the application fills at start-up. The application numbers a
// procedure after its name: 7 is VELTR007, so a reader finds the form a list calls by its name.
//
//   ProcedureRegistry procedures;
//   procedures.Register(7, "VELTR007", [&](const ProcedureCall& call) { return cardForm(call); });
//   controller.PROCEDURES = &procedures;
//   controller.Run(7, kRequestChange);   // runs VELTR007 on the calling thread, returns its response
//
// A procedure called this way runs on the caller's thread and returns its response: 1 when the
// record was saved (or selected), 2 when it was cancelled.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace veltrano::framework {

// Requests given to a form, and the responses it gives back.
inline constexpr std::uint8_t kRequestNone = 0;
inline constexpr std::uint8_t kRequestInsert = 1;
inline constexpr std::uint8_t kRequestChange = 2;
inline constexpr std::uint8_t kRequestDelete = 3;
inline constexpr std::uint8_t kRequestSelect = 4;
inline constexpr std::uint8_t kResponseNone = 0;
inline constexpr std::uint8_t kResponseCompleted = 1;
inline constexpr std::uint8_t kResponseCancelled = 2;

struct ProcedureCall {
  std::uint8_t request = kRequestNone;
  // The calling browse's navigation variable (its window's VCRREQUEST), so that a form driven
  // from the browse's toolbar can ask for the next record; null when the caller has none.
  int* navigation = nullptr;
};

using ProcedureEntry = std::function<std::uint8_t(const ProcedureCall& call)>;

class ProcedureRegistry {
 public:
  // A number registered again takes the later procedure.
  void Register(std::uint16_t number, std::string_view name, ProcedureEntry entry);
  bool Has(std::uint16_t number) const { return procedures_.contains(number); }
  // The procedure's name ("VELTR007"), empty when none has the number.
  std::string Name(std::uint16_t number) const;
  // Runs the procedure; nullopt when none has the number.
  std::optional<std::uint8_t> Call(std::uint16_t number, const ProcedureCall& call) const;

 private:
  struct Registered {
    std::string name;
    ProcedureEntry entry;
  };
  std::map<std::uint16_t, Registered> procedures_;
};

}  // namespace veltrano::framework

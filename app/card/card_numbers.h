// The procedures of the employee list, the card and its child lists, by number (VELTRnnn is
// procedure nnn), as the registry and the lists' ASKPROCEDURE name them.
#pragma once

#include <cstdint>

namespace veltrano::app::card {

inline constexpr std::uint16_t kEmployeeList = 6;
inline constexpr std::uint16_t kCardForm = 7;
inline constexpr std::uint16_t kDismissedList = 71;

// The child lists the card's buttons open, and their forms.
inline constexpr std::uint16_t kWorkHistoryList = 35;
inline constexpr std::uint16_t kWorkHistoryForm = 36;
inline constexpr std::uint16_t kAppointmentList = 37;
inline constexpr std::uint16_t kAppointmentForm = 38;
inline constexpr std::uint16_t kFurtherTrainingList = 46;
inline constexpr std::uint16_t kFurtherTrainingForm = 51;
inline constexpr std::uint16_t kProfessionalTrainingList = 47;
inline constexpr std::uint16_t kProfessionalTrainingForm = 52;
inline constexpr std::uint16_t kAttestationList = 48;
inline constexpr std::uint16_t kAttestationForm = 53;
inline constexpr std::uint16_t kCertificateList = 49;
inline constexpr std::uint16_t kCertificateForm = 54;
inline constexpr std::uint16_t kLeaveList = 50;
inline constexpr std::uint16_t kLeaveForm = 55;
inline constexpr std::uint16_t kFamilyList = 32;
inline constexpr std::uint16_t kFamilyForm = 33;

}  // namespace veltrano::app::card

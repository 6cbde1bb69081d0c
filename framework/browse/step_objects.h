// Step objects: the thumb of a sort order. A step object turns the value of the order's free key
// component into a thumb position (0–100) and a thumb position back into a value to position
// at, so that dragging the list's thumb through a file of thousands lands about where the thumb
// is, without counting records.
//
//   TextStep surname;
//   surname.Init(kStepLetters, kStepLookupLimits);     // mode 3: limits from the data
//   surname.SetLimit("Абрамов", "Яковлев");             // the first and last values in the order
//   surname.GetValue(75);                              // about three quarters through the alphabet
//   surname.PercentileOf("Иванов");                    // where the thumb stands for Иванов
//
// Values are code page 1251 text; a numeric step reads and writes numbers as decimal text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::framework {

// CONTROLS flags.
inline constexpr std::uint8_t kStepLetters = 1;
inline constexpr std::uint8_t kStepPunctuation = 2;
inline constexpr std::uint8_t kStepDigits = 4;
inline constexpr std::uint8_t kStepCaseSensitive = 8;
inline constexpr std::uint8_t kStepDescending = 16;
// Text step LOOKUPMODE.
inline constexpr std::uint8_t kStepLookupSurnames = 1;  // the built-in table of surname starts
inline constexpr std::uint8_t kStepLookupPairs = 2;     // the built-in table of two-letter starts
inline constexpr std::uint8_t kStepLookupLimits = 3;    // a table built from the order's limits

class StepObject {
 public:
  virtual ~StepObject() = default;
  // The operations, in their fixed order.
  virtual int PercentileOf(std::string_view value) const = 0;
  virtual std::string GetValue(int percentile) const = 0;
  virtual void Kill() {}
  virtual void SetLimit(std::string_view low, std::string_view high) = 0;
  virtual bool NeedLimits() const = 0;

  std::uint8_t CONTROLS = 0;

 protected:
  bool descending() const { return (CONTROLS & kStepDescending) != 0; }
};

class NumericStep final : public StepObject {
 public:
  explicit NumericStep(std::uint8_t controls = 0) { CONTROLS = controls; }
  int PercentileOf(std::string_view value) const override;
  std::string GetValue(int percentile) const override;
  void SetLimit(std::string_view low, std::string_view high) override;
  bool NeedLimits() const override { return true; }

  double LOW = 0;
  double HIGH = 0;
};

class TextStep final : public StepObject {
 public:
  static constexpr std::size_t kSamples = 100;
  static constexpr std::size_t kRootWidth = 40;

  void Init(std::uint8_t controls, std::uint8_t mode);
  int PercentileOf(std::string_view value) const override;
  std::string GetValue(int percentile) const override;
  void SetLimit(std::string_view low, std::string_view high) override;
  bool NeedLimits() const override { return LOOKUPMODE == kStepLookupLimits; }

  std::uint8_t LOOKUPMODE = kStepLookupLimits;
  std::vector<std::string> REF;  // the sample keys, TESTLEN characters each, ascending
  std::string ROOT;              // the prefix the low and high limits share
  std::string SORTCHARS;         // the characters the samples are made of, in code order
  std::uint8_t TESTLEN = 4;

 private:
  // The TESTLEN characters of a value that the samples compare with.
  std::string sampleOf(std::string_view value) const;
};

}  // namespace veltrano::framework

// Lists of field pairs: the linking fields of a relation (LEFT in this file, RIGHT in the
// related one), range limits and list rows. A SavedPairList also keeps a private copy of a
// value per pair, so that a relation knows the link values a record had before it was changed.
// Every operation walks the pairs in the order they were added; the comparisons stop at the
// first difference.
#pragma once

#include <vector>

#include "framework/field_ref.h"

namespace veltrano::framework {

class FieldPairList {
 public:
  struct Pair {
    FieldRef LEFT;
    FieldRef RIGHT;
  };

  virtual ~FieldPairList() = default;

  virtual void AddPair(FieldRef left, FieldRef right);
  void LeftToRight();
  void RightToLeft();
  void BlankLeft();
  void BlankRight();
  // True when every LEFT equals its RIGHT (and for an empty list).
  bool Equal() const;

  const std::vector<Pair>& pairs() const { return LIST; }
  bool empty() const { return LIST.empty(); }

 protected:
  std::vector<Pair> LIST;
};

class SavedPairList : public FieldPairList {
 public:
  struct SavedPair {
    FieldRef LEFT;
    FieldRef RIGHT;
    FieldCopy BUFFER;  // shaped like LEFT
  };

  void AddPair(FieldRef left, FieldRef right) override;
  void LeftToSaved();
  void RightToSaved();
  void SavedToLeft();
  void SavedToRight();
  bool LeftSameAsSaved();
  bool RightSameAsSaved();

 private:
  std::vector<SavedPair> SAVED;
};

}  // namespace veltrano::framework

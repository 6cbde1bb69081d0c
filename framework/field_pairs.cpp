#include "framework/field_pairs.h"

namespace veltrano::framework {

void FieldPairList::AddPair(FieldRef left, FieldRef right) {
  LIST.push_back({left, right});
}

void FieldPairList::LeftToRight() {
  for (const Pair& pair : LIST) copyField(pair.RIGHT, pair.LEFT);
}

void FieldPairList::RightToLeft() {
  for (const Pair& pair : LIST) copyField(pair.LEFT, pair.RIGHT);
}

void FieldPairList::BlankLeft() {
  for (const Pair& pair : LIST) clearFieldValue(pair.LEFT);
}

void FieldPairList::BlankRight() {
  for (const Pair& pair : LIST) clearFieldValue(pair.RIGHT);
}

bool FieldPairList::Equal() const {
  for (const Pair& pair : LIST) {
    if (!sameValue(pair.LEFT, pair.RIGHT)) return false;
  }
  return true;
}

void SavedPairList::AddPair(FieldRef left, FieldRef right) {
  FieldPairList::AddPair(left, right);
  SAVED.push_back({left, right, FieldCopy(left)});
}

void SavedPairList::LeftToSaved() {
  for (SavedPair& pair : SAVED) copyField(pair.BUFFER.ref(), pair.LEFT);
}

void SavedPairList::RightToSaved() {
  for (SavedPair& pair : SAVED) copyField(pair.BUFFER.ref(), pair.RIGHT);
}

void SavedPairList::SavedToLeft() {
  for (SavedPair& pair : SAVED) copyField(pair.LEFT, pair.BUFFER.ref());
}

void SavedPairList::SavedToRight() {
  for (SavedPair& pair : SAVED) copyField(pair.RIGHT, pair.BUFFER.ref());
}

bool SavedPairList::LeftSameAsSaved() {
  for (SavedPair& pair : SAVED) {
    if (!sameValue(pair.LEFT, pair.BUFFER.ref())) return false;
  }
  return true;
}

bool SavedPairList::RightSameAsSaved() {
  for (SavedPair& pair : SAVED) {
    if (!sameValue(pair.RIGHT, pair.BUFFER.ref())) return false;
  }
  return true;
}

}  // namespace veltrano::framework

// The relation guard: the links between one file and the files related to it, and referential
// integrity when a record is changed or deleted. Opening and closing go through the whole
// relation graph, so a window that opens its main file gets every file a cascade may touch.
//
// The dictionary code declares one guard per file next to its TableManager and overrides Init
// to add the file's relations:
//
//   class OtdeleniGuard : public RelationGuard {
//    public:
//     void Init(TableManager* manager, bool use_logout) override {
//       RelationGuard::Init(manager, use_logout);
//       RegisterRelation(&karta_guard, kModeNone, kModeCascade, &kar_otd_key);
//       RegisterRelationLink(otd_code, kar_otd);   // this file's field, the child's field
//     }
//   };
//
// A window opens with guard.Open(), changes with guard.Update(mode), deletes with
// guard.Delete(true) and closes with guard.Close(). With USELOGOUT every change that reaches
// related files runs inside one transaction over all of them and is rolled back on any
// failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/field_pairs.h"
#include "framework/level.h"
#include "framework/table_manager.h"

namespace veltrano::framework {

// UPDATEMODE and DELETEMODE values.
inline constexpr std::uint8_t kModeNone = 0;
inline constexpr std::uint8_t kModeClear = 1;
inline constexpr std::uint8_t kModeRestrict = 2;
inline constexpr std::uint8_t kModeCascade = 3;

class RelationGuard {
 public:
  struct Relation {
    RelationGuard* FILE = nullptr;
    SavedPairList FIELDS;  // LEFT in this file, RIGHT in the related one
    const storage::KeyDescriptor* HISKEY = nullptr;
    std::uint8_t UPDATEMODE = kModeNone;
    std::uint8_t DELETEMODE = kModeNone;
  };

  RelationGuard() = default;
  virtual ~RelationGuard() = default;
  RelationGuard(const RelationGuard&) = delete;
  RelationGuard& operator=(const RelationGuard&) = delete;

  // The extension points, in their fixed order.

  // Removes the record reserved for a new one, through Delete without asking.
  virtual Level ReleaseNumber();
  virtual Level Close();
  virtual Level Delete(bool ask);
  // On the related (child) file: the parent's record is being deleted; `pairs` is the parent's
  // relation to this file and `key` the key that finds the children.
  virtual Level DeleteChildren(std::uint8_t mode, Relation& relation);
  virtual void Init(TableManager* manager, bool use_logout);
  virtual Level Open();
  // Keeps the current link values as the old ones the next Update compares with.
  virtual void SaveLinkValues();
  // propagate: 1 related files reached without a key, 2 with a key, anything else all.
  virtual void EnableQuickScan(bool on, int propagate);
  virtual Level Update(int mode);
  // On the related (child) file: the parent's link values changed.
  virtual Level UpdateChildren(std::uint8_t mode, Relation& relation);

  void RegisterRelation(RelationGuard* related, std::uint8_t update_mode, std::uint8_t delete_mode,
                        const storage::KeyDescriptor* his_key);
  // A relation without link pairs, key or modes: Open, Close and EnableQuickScan reach it.
  void RegisterRelation(RelationGuard* related);
  // Adds a pair to the relation added last; refused (false) when there is none.
  bool RegisterRelationLink(FieldRef left, FieldRef right);
  void Kill();

  // Fields, in their defined order.
  TableManager* ME = nullptr;
  std::vector<Relation> RELATIONS;
  RelationGuard* ALIASFILE = nullptr;
  std::uint8_t USELOGOUT = 0;
  std::int32_t LASTTOUCHED = 0;

 protected:
  Level openWalk(std::int32_t generation, std::vector<TableManager*>& opened);
  void closeWalk(std::int32_t generation);
  void quickScanWalk(bool on, int propagate, std::int32_t generation);
  // The child's own relations, then its record (the child update step).
  Level writeChild();
  Level deleteChildrenOf();
  // One attempt at deleting the record at `position` with its related records.
  Level deleteOnce(const std::string& position);
  // Positions this (child) file on the records linked to the relation's parent and reads the
  // first of them. `saved_values`: link values from the parent's saved copy, else its current
  // ones. 0 when one was found, 5 when there is none, another level after a failed read.
  Level firstLinked(Relation& relation, bool saved_values);
  // The files a change reaches, with the history file of each recorded one; `history_missing`
  // is set when a history file cannot be opened.
  void collectFiles(std::vector<storage::FileControlBlock*>& files, bool for_delete,
                    bool& history_missing) const;
};

}  // namespace veltrano::framework

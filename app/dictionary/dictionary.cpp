#include "app/dictionary/dictionary.h"

#include <stdexcept>

#include "app/dictionary/record_access.h"
#include "platform/codepage.h"
#include "storage/wendlock_driver.h"

namespace veltrano::app {
namespace {

framework::FieldRef fieldRef(storage::DeclaredFile& file, std::string_view name) {
  const int index = file.layout().find(name);
  if (index < 0) return {};
  return framework::fieldOf(file.layout(), file.record(), static_cast<std::size_t>(index));
}

}  // namespace

void RabotaManager::PresetFields() {
  static const std::string kYes = platform::ru("да");
  if (FILE == nullptr || FILE->layout == nullptr) return;
  RecordAccess(*FILE->layout, BUFFER).setText("RAB:SOOTVETSTVEI", kYes);
}

void DictionaryGuard::Init(framework::TableManager* manager, bool use_logout) {
  RelationGuard::Init(manager, use_logout);
  for (const auto& relation : dictionaryRelations()) {
    if (relation.parent == label_) {
      storage::DeclaredFile& child = dictionary_.file(relation.child);
      RegisterRelation(&dictionary_.guard(relation.child), framework::kModeNone, framework::kModeCascade,
                       child.key(relation.child_key));
      RegisterRelationLink(fieldRef(dictionary_.file(relation.parent), relation.parent_field),
                           fieldRef(child, relation.child_field));
    } else if (relation.child == label_) {
      RegisterRelation(&dictionary_.guard(relation.parent));
    }
  }
}

Dictionary::Dictionary() : Dictionary(storage::wendlockDriver()) {}

Dictionary::Dictionary(storage::Driver& driver, std::string directory)
    : files_(driver, std::move(directory)) {
  for (std::size_t index = 0; index < files_.size(); ++index) {
    const std::string_view label = files_.spec(index).label;
    if (label == "RABOTA") {
      managers_.push_back(std::make_unique<RabotaManager>());
    } else {
      managers_.push_back(std::make_unique<framework::TableManager>());
    }
    guards_.push_back(std::make_unique<DictionaryGuard>(*this, label));
  }
}

Dictionary::~Dictionary() {
  Kill();
}

framework::TableManager& Dictionary::manager(std::string_view label) {
  const auto index = files_.indexOf(label);
  if (!index) throw std::out_of_range("no file " + std::string(label) + " in the dictionary");
  return *managers_[*index];
}

framework::RelationGuard& Dictionary::guard(std::string_view label) {
  const auto index = files_.indexOf(label);
  if (!index) throw std::out_of_range("no file " + std::string(label) + " in the dictionary");
  return *guards_[*index];
}

void Dictionary::Init(framework::ErrorManager& errors) {
  if (initialised_) return;
  files_.clearBuffers();
  for (std::size_t index = 0; index < files_.size(); ++index) {
    const FileSpec& spec = files_.spec(index);
    storage::DeclaredFile& file = files_.at(index);
    framework::TableManager& manager = *managers_[index];
    manager.Init(&file.file(), &errors);
    manager.FILENAMEVALUE = std::string(spec.message_name);
    manager.CREATE = 1;
    manager.LOCKRECOVER = kLockRecoverSeconds;
    for (const auto& key : spec.keys) {
      manager.RegisterKey(file.key(key.label), key.label, key.auto_numbered ? 1 : 0);
    }
  }
  // Changes that reach related files run inside one transaction over all of them.
  for (std::size_t index = 0; index < files_.size(); ++index)
    guards_[index]->Init(managers_[index].get(), true);
  initialised_ = true;
}

void Dictionary::Kill() {
  if (!initialised_) return;
  change_history_.reset();
  for (std::size_t index = guards_.size(); index-- > 0;) guards_[index]->Kill();
  for (std::size_t index = managers_.size(); index-- > 0;) managers_[index]->Kill();
  initialised_ = false;
}

}  // namespace veltrano::app

#include "app/history/history_install.h"

#include <memory>

#include "app/history/card_history.h"

namespace veltrano::app::history {

void installCardHistory(Dictionary& dictionary) {
  dictionary.adoptChangeHistory(std::make_unique<CardHistory>(dictionary));
}

}  // namespace veltrano::app::history

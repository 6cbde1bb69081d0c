#include "ui/qt/qt_popup.h"

#include <QCursor>
#include <QMenu>
#include <QTimer>
#include <memory>

#include "ui/qt/qt_icons.h"
#include "ui/qt/text.h"

namespace veltrano::ui::qt {
namespace {

struct Answer {
  std::function<void(int)> answered;
  bool given = false;

  void give(int number) {
    if (given) return;
    given = true;
    answered(number);
  }
};

void addEntries(QMenu* menu, const std::vector<PopupEntry>& entries, int& number,
                const std::shared_ptr<Answer>& answer) {
  for (const PopupEntry& entry : entries) {
    if (entry.separator) {
      menu->addSeparator();
      continue;
    }
    if (!entry.items.empty()) {
      QMenu* submenu = menu->addMenu(runtimeIcon(entry.icon), toQt(entry.text));
      submenu->setEnabled(!entry.disabled);
      addEntries(submenu, entry.items, number, answer);
      continue;
    }
    int mine = ++number;
    QAction* action = menu->addAction(runtimeIcon(entry.icon), toQt(entry.text));
    action->setEnabled(!entry.disabled);
    if (entry.checked) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    QObject::connect(action, &QAction::triggered, menu, [answer, mine] { answer->give(mine); });
  }
}

}  // namespace

QMenu* showPopupMenu(const std::vector<PopupEntry>& entries, QWidget* parent,
                     std::function<void(int)> answered) {
  auto answer = std::make_shared<Answer>();
  answer->answered = std::move(answered);
  auto* menu = new QMenu(parent);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  int number = 0;
  addEntries(menu, entries, number, answer);
  // The menu hides before the chosen action fires; the answer "dismissed" waits until the
  // choice, if any, has been given.
  QObject::connect(menu, &QMenu::aboutToHide, menu,
                   [answer] { QTimer::singleShot(0, [answer] { answer->give(0); }); });
  menu->popup(QCursor::pos());
  return menu;
}

}  // namespace veltrano::ui::qt

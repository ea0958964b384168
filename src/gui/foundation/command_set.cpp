#include "gui/foundation/command_set.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <string>

#include "core/foundation/check.h"

namespace rpt::gui {

void SetHint(QAction* action, const QString& hint) {
  const qsizetype bar = hint.indexOf('|');
  action->setToolTip(bar < 0 ? hint : hint.left(bar));
  action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void AddMenuBarKey(QMainWindow* window) {
  auto* key = new QShortcut(QKeySequence(Qt::Key_F10), window);
  QObject::connect(key, &QShortcut::activated, window, [window] {
    QMenuBar* bar = window->menuBar();
    if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().constFirst());
  });
}

namespace detail {

QAction* NewCommand(QObject* owner, const char* name, const char* caption, const char* hint, const char* key) {
  auto* action = new QAction(QString::fromUtf8(caption), owner);
  action->setObjectName(QString::fromUtf8(name));
  SetHint(action, QString::fromUtf8(hint));
  if (key) action->setShortcut(QKeySequence(QString::fromLatin1(key)));
  return action;
}

QAction* NewFace(QObject* owner, QAction* command, const char* name, const char* caption, const char* hint,
                 bool forward) {
  auto* item = new QAction(caption ? QString::fromUtf8(caption) : command->text(), owner);
  item->setObjectName(QString::fromUtf8(name));
  item->setToolTip(command->toolTip());
  item->setStatusTip(command->statusTip());
  if (hint) SetHint(item, QString::fromUtf8(hint));
  item->setIcon(command->icon());
  if (forward) QObject::connect(item, &QAction::triggered, command, &QAction::trigger);
  return item;
}

QMenu* NewMenu(QMenuBar* bar, QMenu* parent, const char* name, const char* caption, const char* hint) {
  const QString text = QString::fromUtf8(caption);
  QMenu* menu = parent ? parent->addMenu(text) : bar->addMenu(text);
  menu->setObjectName(QString::fromUtf8(name));
  SetHint(menu->menuAction(), QString::fromUtf8(hint));
  return menu;
}

void MissingCommand(const char* kind, std::size_t index) {
  const std::string what = std::string("no ") + kind + " was built for constant " + std::to_string(index);
  (void)RPT_CHECK(false, what.c_str());
}

}  // namespace detail

}  // namespace rpt::gui

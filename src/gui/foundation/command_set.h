// The commands and menus of a main window, each known by a constant of the
// window's own enumerations instead of by its name: a command that does not
// exist cannot be asked for (it does not compile), and a window that forgets
// to build one of its constants fails the first time it is shown (every
// test that opens it). The object names stay what tests, rules and the
// saved placements use.
//
// Captions and hints are UTF-8 literals; a hint is "short text|long text"
// (tool tip | status-bar text), without a bar both are the whole text.
//
// Icons: a window gives its command set one table of commands and icon
// meanings (icons.h) before it builds the commands; a command takes its
// icon when it is added, a face the icon of its command.
#pragma once

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QString>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <utility>

#include "gui/foundation/icons.h"

class QMainWindow;
class QMenuBar;

namespace rpt::gui {

void SetHint(QAction* action, const QString& hint);

// F10 takes the keyboard into the window's menu bar, as elsewhere on this
// desktop: the first menu opens, the arrows go on from there.
void AddMenuBarKey(QMainWindow* window);

namespace detail {
QAction* NewCommand(QObject* owner, const char* name, const char* caption, const char* hint, const char* key);
QAction* NewFace(QObject* owner, QAction* command, const char* name, const char* caption, const char* hint,
                 bool forward);
QMenu* NewMenu(QMenuBar* bar, QMenu* parent, const char* name, const char* caption, const char* hint);
void MissingCommand(const char* kind, std::size_t index);
}  // namespace detail

// `Cmd` and `Menu` are enumerations whose last constant is `Count`.
template <class Cmd, class Menu>
class CommandSet {
 public:
  explicit CommandSet(QObject* owner) : owner_(owner) {}

  // The icons of the commands, by meaning: the window's one table of them.
  void SetIcons(std::initializer_list<std::pair<Cmd, Icon>> icons) {
    for (const auto& [id, icon] : icons) icons_[Index(id)] = icon;
  }

  // A command named `name` (its object name).
  QAction* Add(Cmd id, const char* name, const char* caption, const char* hint, const char* key = nullptr) {
    return Put(id, detail::NewCommand(owner_, name, caption, hint, key));
  }
  // A second face of `command` (a menu-bar item, a tool button or a menu
  // item with a caption or hint of its own): it triggers the command and,
  // unless `forward` is false (a face with enabled rules of its own, which
  // then acts itself), nothing else.
  QAction* AddFace(Cmd id, Cmd command, const char* name, const char* caption = nullptr, const char* hint = nullptr,
                   bool forward = true) {
    return Put(id, detail::NewFace(owner_, (*this)[command], name, caption, hint, forward));
  }
  // A menu in `parent`, or on `bar` when `parent` is null.
  QMenu* AddMenu(Menu id, QMenuBar* bar, QMenu* parent, const char* name, const char* caption, const char* hint) {
    return menus_[Index(id)] = detail::NewMenu(bar, parent, name, caption, hint);
  }
  // A menu built elsewhere (a pop-up menu).
  QMenu* AdoptMenu(Menu id, QMenu* menu) { return menus_[Index(id)] = menu; }

  QAction* operator[](Cmd id) const { return commands_[Index(id)]; }
  QMenu* menu(Menu id) const { return menus_[Index(id)]; }

  template <class F>
  void OnTriggered(Cmd id, F&& f) {
    QObject::connect((*this)[id], &QAction::triggered, owner_, std::forward<F>(f));
  }
  void Enable(Cmd id, bool on) { (*this)[id]->setEnabled(on); }

  // By object name, for tests and scripts; null for an unknown name.
  QAction* Named(const QString& name) const {
    for (QAction* a : commands_)
      if (a && a->objectName() == name) return a;
    return nullptr;
  }
  QMenu* NamedMenu(const QString& name) const {
    for (QMenu* m : menus_)
      if (m && m->objectName() == name) return m;
    return nullptr;
  }

  // Once the window is built: stops (debug builds) or reports on stderr
  // (release builds) any constant that was given no command or menu.
  void CheckComplete() const {
    for (std::size_t i = 0; i < commands_.size(); ++i)
      if (!commands_[i]) detail::MissingCommand("command", i);
    for (std::size_t i = 0; i < menus_.size(); ++i)
      if (!menus_[i]) detail::MissingCommand("menu", i);
  }

 private:
  template <class E>
  static constexpr std::size_t Index(E id) {
    return static_cast<std::size_t>(id);
  }
  QAction* Put(Cmd id, QAction* action) {
    if (icons_[Index(id)] != Icon::None) action->setIcon(CommandIcon(icons_[Index(id)]));
    return commands_[Index(id)] = action;
  }

  QObject* owner_;
  std::array<QAction*, static_cast<std::size_t>(Cmd::Count)> commands_{};
  std::array<QMenu*, static_cast<std::size_t>(Menu::Count)> menus_{};
  std::array<Icon, static_cast<std::size_t>(Cmd::Count)> icons_{};
};

}  // namespace rpt::gui

// Building the named commands and menus of a main window. Captions and hints
// are UTF-8 literals; a hint is "short text|long text" (tool tip | status-bar
// text), without a bar both are the whole text.
#pragma once

#include <QString>
#include <map>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QObject;

namespace rpt::gui {

void SetHint(QAction* action, const QString& hint);

// A command named `name` (its object name, the key tests and rules use).
QAction* NewCommand(QObject* owner, const char* name, const char* caption, const char* hint,
                    const char* key = nullptr);

// A menu in `parent`, or on `bar` when `parent` is null.
QMenu* NewMenu(QMenuBar* bar, QMenu* parent, const char* name, const char* caption, const char* hint);

// F10 takes the keyboard into the window's menu bar, as elsewhere on this
// desktop: the first menu opens, the arrows go on from there.
void AddMenuBarKey(QMainWindow* window);

// The entry of a name, or null.
template <class T>
T* Named(const std::map<QString, T*>& entries, const QString& name) {
  auto it = entries.find(name);
  return it == entries.end() ? nullptr : it->second;
}

}  // namespace rpt::gui

// Help topics and the about box. Every help request goes through ShowHelp,
// whatever window or topic asks: the topic number becomes a section of the
// HTML help, opened in the desktop's browser.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

class QWidget;

namespace rpt {
class Interaction;
struct FolderSet;
}

namespace rpt::gui {

// A help topic the windows ask for and the anchor of the manual's section it
// opens; an empty anchor opens the contents.
struct HelpTopic {
  int topic;
  std::string_view anchor;
};
// Every topic number of the windows, in one table.
std::span<const HelpTopic> HelpTopics();
// The anchor of a topic; empty for the contents and for a topic not listed.
std::string_view HelpAnchor(int topic);

// The HTML help ("Help/html/") of the program folder, else of the
// installation; empty when neither holds its "index.html".
std::string HelpFolder(const FolderSet& folders);
// The address of a topic in the help folder: the page that leads to its
// section ("go/ANCHOR.html": the desktop's openers drop a "#" part of a
// file address), or the contents when the topic has none.
std::string HelpAddress(const std::string& helpFolder, int topic);
// Hands the topic's address to the desktop's browser; without the help the
// information "Справочная система не установлена.", without a browser a
// warning naming the help's file.
void ShowHelp(Interaction& ui, const FolderSet& folders, int topic);

// F1 anywhere in `window` (its own window, children included) calls `show`,
// which opens the window's help topic.
void OnHelpKey(QWidget* window, std::function<void()> show);

// "О программе": modal, released when closed.
void ShowAboutBox(QWidget* parent);

}  // namespace rpt::gui

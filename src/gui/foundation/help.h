// Help topics and the about box. Every help request goes through ShowHelp,
// whatever window or topic asks.
#pragma once

#include <string>

class QWidget;

namespace rpt {
class Interaction;
}

namespace rpt::gui {

// The help file of the program folder, or empty when it is not installed.
std::string HelpFile(const std::string& programFolder);
// Opens "Help/Report.chm" with its associated program; without it the
// information "Справочная система не установлена." The viewer starts at the
// file's contents: topic numbers cannot be passed on to a desktop program.
void ShowHelp(Interaction& ui, const std::string& programFolder, int topic);

// "О программе": modal, released when closed.
void ShowAboutBox(QWidget* parent);

}  // namespace rpt::gui

// Table files name Windows faces ("MS Sans Serif", "Tahoma", "Arial", ...).
// Their row heights were laid out for those faces' metrics, so each is
// mapped onto an installed face of the same or nearly the same widths; the
// desktop default (often a much wider face) would wrap the texts of many
// cells onto one more line than their rows hold.
#pragma once

namespace rpt::gui {

// Registers the substitutions with the toolkit (once; later calls do
// nothing). Needs the application object.
void InstallFontSubstitutes();

}  // namespace rpt::gui

// The pictures of the report's tree, the legend, the lights and the
// program: what no icon theme names. They are SVG on the fallback icon
// theme's 16-unit grid, in its flat style and colours, rendered for every
// device pixel ratio, so that they stay crisp at any scale and look alike
// on every desktop. Image numbers are the ones the tree, the table windows
// and the status code agree on.
#pragma once

#include <QIcon>
#include <QPainter>
#include <QRectF>

#include "core/tables/color_scheme.h"

namespace rpt::gui {

enum Image : int {
  kImageNone = -1,
  kImageClosed = 0,     // root or section, collapsed
  kImageOpen = 1,       // root or section, expanded
  kImageDocument = 2,   // text document item
  kImageTable = 3,      // table item
  kImageExcluded = 4,   // state: left out of the sub-report
  kImageNorm = 5,       // state: green light
  kImageEmpty = 6,      // state: yellow light
  kImageErrors = 7,     // state: red light
  kImageWinNorm = 8,    // the table window's icon for the same statuses
  kImageWinEmpty = 9,
  kImageWinErrors = 10,
};

inline constexpr int kImageSize = 16;

// Draws image `index` into `r` at the painter's device pixel ratio.
void PaintImage(QPainter& p, int index, const QRectF& r);
// One image as a 16-pixel icon.
QIcon ImageIcon(int index);
// A node's picture: its state image (or room for one) left of its image.
QIcon NodeIcon(int image, int stateImage);
// The scheme the lights are painted in (the open report's); icons made
// afterwards follow it.
void SetLightScheme(SchemeKind kind);
SchemeKind LightScheme();
// The light of a table status (1 norm, 2 empty, 3 errors); none otherwise.
int LightForStatus(int status);
// The three lights in one housing, the picture of refreshing them.
QIcon LightsIcon();

void PaintProgramIcon(QPainter& p, const QRectF& r);
QIcon ProgramIcon();

}  // namespace rpt::gui

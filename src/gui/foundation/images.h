// The pictures of the tree, the legend and the program, drawn with QPainter
// so that they stay crisp at any device pixel ratio. Image numbers are the
// ones the tree, the table windows and the status code agree on.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRectF>

#include <functional>

#include "core/tables/color_scheme.h"

class QPainter;

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

// Draws image `index` into `r` (any size).
void PaintImage(QPainter& p, int index, const QRectF& r);
// One image as a 16-pixel icon with 1× and 2× pixmaps.
QIcon ImageIcon(int index);
// A node's picture: its state image (or room for one) left of its image.
QIcon NodeIcon(int image, int stateImage);
// The scheme the lights are painted in (the open report's); icons made
// afterwards follow it.
void SetLightScheme(SchemeKind kind);
SchemeKind LightScheme();
// The light of a table status (1 norm, 2 empty, 3 errors); none otherwise.
int LightForStatus(int status);

void PaintProgramIcon(QPainter& p, const QRectF& r);
QIcon ProgramIcon();

// A 16x16 tool-bar glyph painted by `paint` (antialiased), at 1x and 2x.
QIcon Glyph(const std::function<void(QPainter&)>& paint);
// A tool-bar glyph: one or two letters on a coloured tile.
QIcon LetterGlyph(const QString& letters, const QColor& color);

}  // namespace rpt::gui

// The picking surface of the colour window, free of widgets: a field of
// fully saturated colours with the hue running across and the lightness
// down (white along the top, black along the bottom), and a brightness
// scale that darkens the colour picked from the field down to black.
// Every colour is a point of the field's upper half darkened on the scale,
// so the window can place its marker on any colour a group holds.
#pragma once

#include "core/foundation/colors_fonts.h"

namespace rpt {

// The field's colour at (x, y) of a field `width` × `height` points.
TColor FieldColor(int x, int y, int width, int height);
// `color` at position `step` of a scale of `steps` positions (0: as it is,
// steps − 1: black).
TColor ScaleColor(TColor color, int step, int steps);

struct ColorPick {
  int x = 0, y = 0;  // the field's point
  int step = 0;      // the scale's position
  bool operator==(const ColorPick&) const = default;
};

// Where marker and scale go for `color`: the field's point and the scale's
// position whose colour lies nearest to it (Euclidean distance of the red,
// green and blue components); the first such in the field's row order.
ColorPick NearestPick(TColor color, int width, int height, int steps);

}  // namespace rpt

#include "core/tables/color_picking.h"

#include <algorithm>
#include <cmath>

namespace rpt {

namespace {

struct Rgb {
  double r, g, b;
};

Rgb Components(TColor c) { return {double(c & 0xFF), double((c >> 8) & 0xFF), double((c >> 16) & 0xFF)}; }

TColor Pack(double r, double g, double b) {
  auto byte = [](double v) { return static_cast<TColor>(std::clamp(std::lround(v), 0L, 255L)); };
  return byte(r) | (byte(g) << 8) | (byte(b) << 16);
}

// Hue 0..1 (red, yellow, green, cyan, blue, magenta, red) at full
// saturation, lightness 0..1: 0.5 is the pure hue, above it mixes with
// white, below with black.
Rgb HueLightness(double hue, double lightness) {
  const double a = std::min(lightness, 1 - lightness);
  auto channel = [&](double n) {
    const double k = std::fmod(n + hue * 12, 12.0);
    return (lightness - a * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}))) * 255;
  };
  return {channel(0), channel(8), channel(4)};
}

double Fraction(int i, int n) { return n > 1 ? static_cast<double>(i) / (n - 1) : 0.0; }

}  // namespace

TColor FieldColor(int x, int y, int width, int height) {
  const double hue = width > 0 ? static_cast<double>(x) / width : 0.0;
  const Rgb c = HueLightness(hue, 1.0 - Fraction(y, height));
  return Pack(c.r, c.g, c.b);
}

TColor ScaleColor(TColor color, int step, int steps) {
  const double v = 1.0 - Fraction(step, steps);
  const Rgb c = Components(color);
  return Pack(c.r * v, c.g * v, c.b * v);
}

ColorPick NearestPick(TColor color, int width, int height, int steps) {
  const Rgb target = Components(color);
  ColorPick best;
  double bestDistance = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const TColor field = FieldColor(x, y, width, height);
      const Rgb p = Components(field);
      // The scale's best position for this point: the projection of the
      // target on the line from the point to black, rounded to a step.
      const double pp = p.r * p.r + p.g * p.g + p.b * p.b;
      const double v = pp > 0 ? std::clamp((p.r * target.r + p.g * target.g + p.b * target.b) / pp, 0.0, 1.0) : 0.0;
      const int step = steps > 1 ? static_cast<int>(std::lround((1.0 - v) * (steps - 1))) : 0;
      const Rgb c = Components(ScaleColor(field, step, steps));
      const double d = (c.r - target.r) * (c.r - target.r) + (c.g - target.g) * (c.g - target.g) +
                       (c.b - target.b) * (c.b - target.b);
      if (bestDistance < 0 || d < bestDistance) {
        bestDistance = d;
        best = {x, y, step};
      }
    }
  return best;
}

}  // namespace rpt

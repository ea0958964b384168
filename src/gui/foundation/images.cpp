#include "gui/foundation/images.h"

#include <QBuffer>
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPixmap>

namespace rpt::gui {

namespace {

// The program's own pictures, drawn on the icon theme's 16-unit grid in its
// flat style: lines on the half unit so that they fall on whole pixels at
// 1x. "FILL" and "EDGE" stand for a light's colour and its rim.

constexpr char kLightNorm[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<circle cx="8" cy="8" r="6.5" fill="FILL" stroke="EDGE"/>
<path d="M4.8 8.3 7 10.5 11.2 5.7" fill="none" stroke="#ffffff" stroke-width="1.9" stroke-linecap="round" stroke-linejoin="round"/>
</svg>)";

constexpr char kLightEmpty[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<circle cx="8" cy="8" r="4.6" fill="none" stroke="EDGE" stroke-width="4.2"/>
<circle cx="8" cy="8" r="4.6" fill="none" stroke="FILL" stroke-width="2.4"/>
</svg>)";

constexpr char kLightErrors[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<circle cx="8" cy="8" r="6.5" fill="FILL" stroke="EDGE"/>
<path d="M5.5 5.5 10.5 10.5M10.5 5.5 5.5 10.5" fill="none" stroke="#ffffff" stroke-width="1.9" stroke-linecap="round"/>
</svg>)";

// Left out of the sub-report: a no-entry sign, unlike the errors light.
constexpr char kExcluded[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<circle cx="8" cy="8" r="6.5" fill="#da4453" stroke="#a02c3c"/>
<rect x="4" y="7" width="8" height="2" fill="#ffffff"/>
</svg>)";

// The report's sections, closed and open, and its text documents.
constexpr char kFolder[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<path d="M1 2.5H6.5L8 4H15V14H1Z" fill="#1272b9"/>
<path d="M1 6H15V14H1Z" fill="#3daee9"/>
<path d="M1 6H15V7H1Z" fill="#ffffff" fill-opacity="0.3"/>
</svg>)";

constexpr char kFolderOpen[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<path d="M1 2.5H6.5L8 4H14V14H1Z" fill="#1272b9"/>
<path d="M2 5H13V12H2Z" fill="#fcfcfc"/>
<path d="M3.5 7H16L13.5 14H1Z" fill="#3daee9"/>
</svg>)";

constexpr char kDocument[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<path d="M3.5 1.5H9.5L12.5 4.5V14.5H3.5Z" fill="#fcfcfc" stroke="#31363b" stroke-linejoin="round"/>
<path d="M9.5 1.5V4.5H12.5" fill="#dee0e2" stroke="#31363b" stroke-linejoin="round"/>
<path d="M5 7.5H11M5 9.5H11M5 11.5H9" stroke="#3daee9"/>
</svg>)";

// A table item: a sheet with a heading row and ruled cells.
constexpr char kTable[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<rect x="1.5" y="2.5" width="13" height="11" rx="1" fill="#fcfcfc" stroke="#31363b"/>
<rect x="2" y="3" width="12" height="3" fill="#27ae60"/>
<path d="M2 8.5H14M2 11H14M5.5 6V13M10.5 6V13" stroke="#7f8c8d"/>
</svg>)";

// The three lights in their housing, red above, then yellow, then green.
constexpr char kLights[] = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
<rect x="4.5" y="0.5" width="7" height="15" rx="2" fill="#31363b" stroke="#232629"/>
<circle cx="8" cy="3.6" r="2" fill="ERRORS"/>
<circle cx="8" cy="8" r="2" fill="EMPTY"/>
<circle cx="8" cy="12.4" r="2" fill="NORM"/>
</svg>)";

SchemeKind lightScheme = SchemeKind::Standard;

QColor RoleQColor(ColorRole role) {
  const TColor c = RoleColor(lightScheme, role);
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

QColor LightColor(int index) {
  switch (index) {
    case kImageNorm:
    case kImageWinNorm: return RoleQColor(ColorRole::LightNorm);
    case kImageEmpty:
    case kImageWinEmpty: return RoleQColor(ColorRole::LightEmpty);
    default: return RoleQColor(ColorRole::LightErrors);
  }
}

QByteArray Colored(const char* svg, std::initializer_list<std::pair<const char*, QColor>> colors) {
  QByteArray text(svg);
  for (const auto& [name, color] : colors) text.replace(name, color.name().toLatin1());
  return text;
}

// An SVG picture as a 16-pixel icon, rendered for 1x, 1.5x, 2x and 3x so that
// no scale draws it blurred from another's pixels.
QIcon SvgIcon(const QByteArray& svg) {
  QIcon icon;
  for (const qreal dpr : {1.0, 1.5, 2.0, 3.0}) {
    QBuffer buffer;
    buffer.setData(svg);
    QImageReader reader(&buffer, "svg");
    const int side = qRound(kImageSize * dpr);
    reader.setScaledSize(QSize(side, side));
    QImage image = reader.read();
    if (image.isNull()) return {};
    image.setDevicePixelRatio(dpr);
    icon.addPixmap(QPixmap::fromImage(std::move(image)));
  }
  return icon;
}

QIcon LightIcon(int index) {
  const QColor c = LightColor(index);
  const QColor edge = c.darker(index == kImageEmpty || index == kImageWinEmpty ? 230 : 150);
  const char* svg = index == kImageNorm || index == kImageWinNorm     ? kLightNorm
                    : index == kImageEmpty || index == kImageWinEmpty ? kLightEmpty
                                                                      : kLightErrors;
  return SvgIcon(Colored(svg, {{"FILL", c}, {"EDGE", edge}}));
}

QPixmap Render(int width, int height, qreal dpr, const std::function<void(QPainter&)>& paint) {
  QPixmap pm(QSize(qRound(width * dpr), qRound(height * dpr)));
  pm.setDevicePixelRatio(dpr);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  paint(p);
  return pm;
}

}  // namespace

QIcon ImageIcon(int index) {
  switch (index) {
    case kImageClosed:
    case kImageOpen:
    case kImageDocument:
    case kImageTable:
    case kImageExcluded: {
      static const QIcon pictures[] = {SvgIcon(kFolder), SvgIcon(kFolderOpen), SvgIcon(kDocument), SvgIcon(kTable),
                                       SvgIcon(kExcluded)};
      return pictures[index];
    }
    case kImageNorm:
    case kImageEmpty:
    case kImageErrors:
    case kImageWinNorm:
    case kImageWinEmpty:
    case kImageWinErrors: {
      static QHash<int, QIcon> lights;
      const int key = index * 2 + (lightScheme == SchemeKind::Distinct ? 1 : 0);
      auto it = lights.constFind(key);
      if (it == lights.constEnd()) it = lights.insert(key, LightIcon(index));
      return *it;
    }
    default: return {};
  }
}

void PaintImage(QPainter& p, int index, const QRectF& r) {
  if (index < 0) return;
  ImageIcon(index).paint(&p, r.toAlignedRect());
}

QIcon NodeIcon(int image, int stateImage) {
  static QHash<int, QIcon> cache;
  const int key = ((image + 1) * 64 + (stateImage + 1)) * 2 + (lightScheme == SchemeKind::Distinct ? 1 : 0);
  auto it = cache.find(key);
  if (it != cache.end()) return *it;
  QIcon icon;
  for (qreal dpr : {1.0, 1.5, 2.0, 3.0})
    icon.addPixmap(Render(2 * kImageSize + 2, kImageSize, dpr, [&](QPainter& p) {
      PaintImage(p, stateImage, QRectF(0, 0, kImageSize, kImageSize));
      PaintImage(p, image, QRectF(kImageSize + 2, 0, kImageSize, kImageSize));
    }));
  cache.insert(key, icon);
  return icon;
}

void SetLightScheme(SchemeKind kind) { lightScheme = kind; }
SchemeKind LightScheme() { return lightScheme; }

int LightForStatus(int status) {
  switch (status) {
    case 1: return kImageNorm;
    case 2: return kImageEmpty;
    case 3: return kImageErrors;
    default: return kImageNone;
  }
}

QIcon LightsIcon() {
  return SvgIcon(Colored(kLights, {{"ERRORS", RoleQColor(ColorRole::LightErrors)},
                                   {"EMPTY", RoleQColor(ColorRole::LightEmpty)},
                                   {"NORM", RoleQColor(ColorRole::LightNorm)}}));
}

void PaintProgramIcon(QPainter& p, const QRectF& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(r.topLeft());
  p.scale(r.width() / 64.0, r.height() / 64.0);
  QLinearGradient back(0, 2, 0, 62);
  back.setColorAt(0, QColor(0x1c, 0x3c, 0xd8));
  back.setColorAt(1, QColor(0xc8, 0x1e, 0x3c));
  p.setPen(Qt::NoPen);
  p.setBrush(back);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
  // A sheet with a small table and three bars of a chart.
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(13, 9, 38, 46), 3, 3);
  p.setPen(QPen(QColor(0x1c, 0x3c, 0xd8), 2));
  for (int y : {18, 25, 32}) p.drawLine(19, y, 45, y);
  p.setPen(Qt::NoPen);
  const QColor bars[] = {QColor(0x1e, 0xb4, 0x32), QColor(0xf2, 0xc4, 0x00), QColor(0xe0, 0x20, 0x1c)};
  const int heights[] = {8, 13, 10};
  for (int i = 0; i < 3; ++i) {
    p.setBrush(bars[i]);
    p.drawRect(QRectF(20 + i * 9, 49 - heights[i], 6, heights[i]));
  }
  p.restore();
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addPixmap(Render(size, size, 1.0, [&](QPainter& p) { PaintProgramIcon(p, QRectF(0, 0, size, size)); }));
  return icon;
}

}  // namespace rpt::gui

#include "gui/foundation/images.h"

#include <functional>

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace rpt::gui {

namespace {

// Every picture is designed on a 16-unit grid and scaled to its rectangle.
void OnGrid(QPainter& p, const QRectF& r) {
  p.translate(r.topLeft());
  p.scale(r.width() / 16.0, r.height() / 16.0);
}

QPen Outline(const QColor& c, qreal width = 1.0) {
  QPen pen(c, width);
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::RoundCap);
  return pen;
}

void Folder(QPainter& p, bool open) {
  const QColor dark(0x9a, 0x6a, 0x00), back(0xf0, 0xc0, 0x40), front(0xff, 0xdc, 0x6e);
  QPainterPath tab;
  tab.moveTo(1.5, 4.5);
  tab.lineTo(1.5, 3.0);
  tab.lineTo(6.0, 3.0);
  tab.lineTo(7.5, 4.5);
  tab.lineTo(14.5, 4.5);
  tab.lineTo(14.5, 13.5);
  tab.lineTo(1.5, 13.5);
  tab.closeSubpath();
  p.setPen(Outline(dark));
  p.setBrush(back);
  p.drawPath(tab);
  QPainterPath face;
  if (open) {
    face.moveTo(1.5, 13.5);
    face.lineTo(4.0, 7.0);
    face.lineTo(15.5, 7.0);
    face.lineTo(13.0, 13.5);
  } else {
    face.moveTo(1.5, 6.5);
    face.lineTo(14.5, 6.5);
    face.lineTo(14.5, 13.5);
    face.lineTo(1.5, 13.5);
  }
  face.closeSubpath();
  p.setBrush(front);
  p.drawPath(face);
}

void Document(QPainter& p) {
  QPainterPath page;
  page.moveTo(3.5, 1.5);
  page.lineTo(10.0, 1.5);
  page.lineTo(13.5, 5.0);
  page.lineTo(13.5, 14.5);
  page.lineTo(3.5, 14.5);
  page.closeSubpath();
  p.setPen(Outline(QColor(0x40, 0x50, 0x70)));
  p.setBrush(Qt::white);
  p.drawPath(page);
  p.setBrush(QColor(0xd8, 0xe0, 0xf0));
  QPainterPath corner;
  corner.moveTo(10.0, 1.5);
  corner.lineTo(10.0, 5.0);
  corner.lineTo(13.5, 5.0);
  p.drawPath(corner);
  p.setPen(Outline(QColor(0x2a, 0x5c, 0xc8), 1.0));
  for (qreal y : {7.0, 9.0, 11.0}) p.drawLine(QPointF(5.5, y), QPointF(11.5, y));
  p.drawLine(QPointF(5.5, 13.0), QPointF(9.0, 13.0));
}

void Table(QPainter& p) {
  const QRectF box(1.5, 2.5, 13, 11);
  p.setPen(Outline(QColor(0x2e, 0x5a, 0x2e)));
  p.setBrush(Qt::white);
  p.drawRect(box);
  p.setBrush(QColor(0x6c, 0xb0, 0x6c));
  p.drawRect(QRectF(1.5, 2.5, 13, 3));
  p.setPen(Outline(QColor(0x2e, 0x5a, 0x2e), 0.8));
  for (qreal y : {8.5, 11.0}) p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
  for (qreal x : {6.0, 10.5}) p.drawLine(QPointF(x, 5.5), QPointF(x, 13.5));
}

void Excluded(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xc8, 0x20, 0x20));
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.setPen(Outline(Qt::white, 2.2));
  p.drawLine(QPointF(5.2, 5.2), QPointF(10.8, 10.8));
  p.drawLine(QPointF(10.8, 5.2), QPointF(5.2, 10.8));
}

SchemeKind lightScheme = SchemeKind::Standard;

QColor RoleQColor(ColorRole role) {
  const TColor c = RoleColor(lightScheme, role);
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

// A light says its status by its shape as well as its colour: a disc with a
// check mark (norm), an empty ring (empty), a disc with a cross (errors).
void Light(QPainter& p, int index, const QColor& c) {
  const QColor edge = c.darker(230);
  if (index == kImageEmpty || index == kImageWinEmpty) {
    p.setBrush(Qt::NoBrush);
    p.setPen(Outline(edge, 4.2));
    p.drawEllipse(QRectF(3.6, 3.6, 8.8, 8.8));
    p.setPen(Outline(c, 2.6));
    p.drawEllipse(QRectF(3.6, 3.6, 8.8, 8.8));
    return;
  }
  QRadialGradient g(QPointF(6.2, 5.8), 8.5);
  g.setColorAt(0.0, c.lighter(140));
  g.setColorAt(0.5, c);
  g.setColorAt(1.0, c.darker(140));
  p.setPen(Outline(edge, 1.0));
  p.setBrush(g);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  // The mark in white with a dark rim, readable on either scheme's colour.
  QPainterPath mark;
  if (index == kImageNorm || index == kImageWinNorm) {
    mark.moveTo(4.6, 8.3);
    mark.lineTo(7.0, 10.7);
    mark.lineTo(11.4, 5.4);
  } else {
    mark.moveTo(5.3, 5.3);
    mark.lineTo(10.7, 10.7);
    mark.moveTo(10.7, 5.3);
    mark.lineTo(5.3, 10.7);
  }
  p.setBrush(Qt::NoBrush);
  p.setPen(Outline(edge.darker(150), 3.4));
  p.drawPath(mark);
  p.setPen(Outline(Qt::white, 2.0));
  p.drawPath(mark);
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

void PaintImage(QPainter& p, int index, const QRectF& r) {
  if (index < 0) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  OnGrid(p, r);
  switch (index) {
    case kImageClosed: Folder(p, false); break;
    case kImageOpen: Folder(p, true); break;
    case kImageDocument: Document(p); break;
    case kImageTable: Table(p); break;
    case kImageExcluded: Excluded(p); break;
    default: Light(p, index, LightColor(index)); break;
  }
  p.restore();
}

QIcon ImageIcon(int index) {
  QIcon icon;
  for (qreal dpr : {1.0, 2.0})
    icon.addPixmap(Render(kImageSize, kImageSize, dpr, [&](QPainter& p) {
      PaintImage(p, index, QRectF(0, 0, kImageSize, kImageSize));
    }));
  return icon;
}

QIcon NodeIcon(int image, int stateImage) {
  static QHash<int, QIcon> cache;
  const int key = ((image + 1) * 64 + (stateImage + 1)) * 2 + (lightScheme == SchemeKind::Distinct ? 1 : 0);
  auto it = cache.find(key);
  if (it != cache.end()) return *it;
  QIcon icon;
  for (qreal dpr : {1.0, 2.0})
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

QIcon Glyph(const std::function<void(QPainter&)>& paint) {
  QIcon icon;
  for (qreal dpr : {1.0, 2.0}) icon.addPixmap(Render(16, 16, dpr, paint));
  return icon;
}

QIcon LetterGlyph(const QString& letters, const QColor& color) {
  return Glyph([&](QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(1, 1, 14, 14), 2.5, 2.5);
    QFont f;
    f.setBold(true);
    f.setPixelSize(letters.size() > 1 ? 8 : 11);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, letters);
  });
}

}  // namespace rpt::gui

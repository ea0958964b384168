#include "painting/page_painter.h"

#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPen>
#include <QString>
#include <algorithm>
#include <cmath>

#include "core/foundation/codec.h"

namespace rpt::painting {

namespace {

Qt::Alignment AlignmentOf(const output::PrintCell& c) {
  Qt::Alignment a;
  switch (c.horizontal) {
    case HAlign::Left: a |= Qt::AlignLeft; break;
    case HAlign::Center: a |= Qt::AlignHCenter; break;
    case HAlign::Right: a |= Qt::AlignRight; break;
  }
  switch (c.vertical) {
    case VAlign::Top: a |= Qt::AlignTop; break;
    case VAlign::Center: a |= Qt::AlignVCenter; break;
    case VAlign::Bottom: a |= Qt::AlignBottom; break;
  }
  return a;
}

}  // namespace

void PaintPage(QPainter& painter, const output::PageImage& page) {
  painter.save();
  // A frame line on the edge of the printable area keeps its full width:
  // the layout leaves room for the half of it outside a cell.
  double widest = 1;
  for (const auto& c : page.cells) widest = std::max(widest, output::FrameLineWidth(c));
  const int pad = static_cast<int>(std::ceil(widest / 2)) + 1;
  painter.setClipRect(
      QRect(page.clipLeft, page.clipTop, page.clipWidth, page.clipHeight).adjusted(-pad, -pad, pad, pad));
  for (const auto& c : page.cells) {
    const QRect r(c.left, c.top, c.width, c.height);
    // The frame's width follows the scale of the text (one screen pixel).
    const double unit = output::FrameLineWidth(c);
    if (c.framed) {
      QPen pen(Qt::black);
      pen.setWidthF(unit);
      painter.setPen(pen);
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(r);
    }
    if (c.text.empty()) continue;
    QFont font(QString::fromStdString(Cp1251ToUtf8(c.font.name)));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(c.fontPixels))));
    font.setBold(c.font.bold);
    font.setItalic(c.font.italic);
    font.setUnderline(c.font.underline);
    font.setStrikeOut(c.font.strikeOut);
    painter.setFont(font);
    painter.setPen(Qt::black);
    // Room at the sides; none above and below, where the table window's
    // fonts leave little.
    const int m = static_cast<int>(std::lround(2 * unit));
    const QRect inner = r.adjusted(m, 0, -m, 0);
    QString text = QString::fromStdString(Cp1251ToUtf8(c.text));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const int flags = static_cast<int>(AlignmentOf(c)) | Qt::TextWordWrap;
    // Fonts here are wider than those the forms were drawn with: a text
    // that would overflow its cell is set a little smaller, down to three
    // quarters, rather than cut off.
    for (int step = 0; step < 5; ++step) {
      if (painter.boundingRect(inner, flags, text).height() <= inner.height()) break;
      font.setPixelSize(std::max(1, static_cast<int>(std::lround(c.fontPixels * (0.95 - 0.05 * step)))));
      painter.setFont(font);
    }
    painter.save();
    painter.setClipRect(r, Qt::IntersectClip);
    painter.drawText(inner, flags, text);
    painter.restore();
  }
  painter.restore();
}

QPageLayout TablePageLayout(const PageSettings& page) {
  return QPageLayout(QPageSize(QPageSize::A4),
                     page.orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0));
}

}  // namespace rpt::painting

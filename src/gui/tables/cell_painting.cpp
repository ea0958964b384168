#include "gui/tables/cell_painting.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>

#include <climits>

#include "gui/foundation/font_substitutes.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

namespace {

// The classic system colours by number: fixed, so that a table looks the
// same whatever the desktop theme.
QColor SystemColor(unsigned index) {
  switch (index) {
    case 0: return QColor(0xC8, 0xC8, 0xC8);   // scroll bar
    case 1: return QColor(0x00, 0x00, 0x00);   // desktop
    case 2: return QColor(0x99, 0xB4, 0xD1);   // active caption
    case 3: return QColor(0xBF, 0xCD, 0xDB);   // inactive caption
    case 4: return QColor(0xF0, 0xF0, 0xF0);   // menu
    case 5: return QColor(0xFF, 0xFF, 0xFF);   // window
    case 6: return QColor(0x64, 0x64, 0x64);   // window frame
    case 12: return QColor(0xAB, 0xAB, 0xAB);  // application work space
    case 13: return QColor(0x00, 0x78, 0xD7);  // highlight
    case 14: return QColor(0xFF, 0xFF, 0xFF);  // highlight text
    case 15: return QColor(0xF0, 0xF0, 0xF0);  // button face
    case 16: return QColor(0xA0, 0xA0, 0xA0);  // button shadow
    case 17: return QColor(0x6D, 0x6D, 0x6D);  // grey text
    case 20: return QColor(0xFF, 0xFF, 0xFF);  // button highlight
    case 22: return QColor(0xE3, 0xE3, 0xE3);  // 3D light
    case 24: return QColor(0xFF, 0xFF, 0xE1);  // info background
    default: return QColor(0x00, 0x00, 0x00);  // the text colours
  }
}

// Model text on screen: CR LF line breaks as the toolkit's.
QString ScreenText(std::string_view caption) {
  QString text = FromCp1251(caption);
  if (text.contains(QLatin1Char('\r'))) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  }
  return text;
}

constexpr int kWrapFlags = Qt::TextWordWrap | Qt::TextExpandTabs;

}  // namespace

QColor QColorOf(TColor c) {
  if (c == clNone || c == clDefault) return QColor(Qt::transparent);
  if ((c & 0xFF000000u) == 0xFF000000u) return SystemColor(c & 0xFFu);
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

QFont QFontOf(const TFont& font) {
  // Thousands of cells share a handful of fonts; neighbouring cells mostly
  // the same one.
  static TFont lastKey;
  static QFont last;
  static bool haveLast = false;
  if (haveLast && font == lastKey) return last;
  static QHash<QByteArray, QFont> cache;
  QByteArray key(font.name.data(), static_cast<qsizetype>(font.name.size()));
  key += '/';
  key += QByteArray::number(font.size);
  key += static_cast<char>('0' + (font.bold ? 1 : 0) + (font.italic ? 2 : 0) + (font.underline ? 4 : 0) +
                           (font.strikeOut ? 8 : 0));
  auto it = cache.constFind(key);
  if (it == cache.constEnd()) {
    InstallFontSubstitutes();  // wherever cells are painted or measured, not only in the program
    QFont f(FromCp1251(font.name));
    f.setPointSize(font.size > 0 ? font.size : 8);
    f.setBold(font.bold);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    f.setStrikeOut(font.strikeOut);
    f.setStyleHint(QFont::SansSerif);
    it = cache.insert(key, f);
  }
  lastKey = font;
  last = *it;
  haveLast = true;
  return last;
}

void PaintCell(QPainter& p, const TFramedLabel& label, int x, int y, const QColor& remarkFrame) {
  const int w = label.width, h = label.height;
  if (w <= 0 || h <= 0) return;
  if (!label.transparent) p.fillRect(x, y, w, h, QColorOf(label.color));

  if (!label.caption.empty()) {
    const QString text = ScreenText(label.caption);
    const QFont font = QFontOf(label.font);
    if (p.font() != font) p.setFont(font);
    const QFontMetrics fm = p.fontMetrics();
    const LabelTextBox margins = MarginBoxOf(label);
    const int boxWidth = std::max(1, margins.right - margins.left);
    const int horizontal = label.horizontal() == HAlign::Left     ? Qt::AlignLeft
                           : label.horizontal() == HAlign::Center ? Qt::AlignHCenter
                                                                  : Qt::AlignRight;
    p.setPen(QColorOf(label.font.color));
    // Most cells hold one short line: placed by hand, drawn without the
    // layout engine, twice as fast as the wrapping path.
    const bool oneLine = !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\t'));
    const int advance = oneLine ? fm.horizontalAdvance(text) : 0;
    const LabelTextBox oneLineBox = TextBoxOf(label, fm.height());
    if (oneLine && advance <= boxWidth && oneLineBox.top >= 0 && oneLineBox.top + fm.height() <= h) {
      const LabelTextBox& box = oneLineBox;
      const int left = horizontal == Qt::AlignLeft    ? box.left
                       : horizontal == Qt::AlignRight ? box.right - advance
                                                      : box.left + (boxWidth - advance) / 2;
      p.drawText(QPoint(x + left, y + box.top + fm.ascent()), text);
    } else {
      int textHeight = 0;
      if (label.vertical() != VAlign::Top)
        textHeight = fm.boundingRect(QRect(0, 0, boxWidth, INT_MAX / 4), kWrapFlags, text).height();
      const LabelTextBox box = TextBoxOf(label, textHeight);
      p.save();
      p.setClipRect(x, y, w, h, Qt::IntersectClip);
      p.drawText(QRect(x + box.left, y + box.top, box.right - box.left, h + std::abs(box.top) + textHeight),
                 Qt::AlignTop | horizontal | kWrapFlags, text);
      p.restore();
    }
  }

  if (label.selected && w > 3 && h > 3) {
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(x + 3, y + 3, 5, 5, Qt::white);
    p.restore();
  }

  if (label.framed) {
    // One-pixel edges as filled rectangles: exact on every pixel, cheaper
    // than pen lines.
    p.fillRect(x, y, 1, h, label.frameSolid ? Qt::black : Qt::white);
    p.fillRect(x, y, w, 1, label.frameSolid ? Qt::black : Qt::white);
    p.fillRect(x + w - 1, y, 1, h, Qt::black);
    p.fillRect(x, y + h - 1, w, 1, Qt::black);
  }

  if (label.remarked && w > 6 && h > 6) {
    // Two pixels just inside the frame line, so that the grid stays.
    p.fillRect(x + 1, y + 1, w - 2, 2, remarkFrame);
    p.fillRect(x + 1, y + h - 3, w - 2, 2, remarkFrame);
    p.fillRect(x + 1, y + 1, 2, h - 2, remarkFrame);
    p.fillRect(x + w - 3, y + 1, 2, h - 2, remarkFrame);
  }
}

void PaintYearChangeMark(QPainter& p, const TFramedLabel& label, int x, int y) {
  const int size = std::min({9, label.width - 2, label.height - 2});
  if (size < 4) return;
  const int right = x + label.width - 1;
  const QPoint corner[] = {QPoint(right - size, y + 1), QPoint(right, y + 1), QPoint(right, y + 1 + size)};
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(kYearChangeColor);
  p.drawPolygon(corner, 3);
  p.restore();
}

void PaintCurrentFrame(QPainter& p, int x, int y, int width, int height) {
  const QRect outer(x, y, width, height);
  p.fillRect(QRect(outer.left(), outer.top(), outer.width(), 2), kCurrentFrameColor);
  p.fillRect(QRect(outer.left(), outer.bottom() - 1, outer.width(), 2), kCurrentFrameColor);
  p.fillRect(QRect(outer.left(), outer.top(), 2, outer.height()), kCurrentFrameColor);
  p.fillRect(QRect(outer.right() - 1, outer.top(), 2, outer.height()), kCurrentFrameColor);
}

int QtTextMeasure::WrappedTextHeight(const TFont& font, std::string_view text, int width) {
  const QFontMetrics fm(QFontOf(font));
  const int h = fm.boundingRect(QRect(0, 0, std::max(1, width), INT_MAX / 4), kWrapFlags, ScreenText(text)).height();
  return std::max(h, fm.height());
}

QtTextMeasure& SharedQtTextMeasure() {
  static QtTextMeasure measure;
  return measure;
}

}  // namespace rpt::gui

#include "gui/tables/cell_painting.h"

#include <QFontMetrics>
#include <QHash>
#include <QPainter>

#include <climits>

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
  // Thousands of cells share a handful of fonts.
  static QHash<QByteArray, QFont> cache;
  QByteArray key(font.name.data(), static_cast<qsizetype>(font.name.size()));
  key += '/';
  key += QByteArray::number(font.size);
  key += static_cast<char>('0' + (font.bold ? 1 : 0) + (font.italic ? 2 : 0) + (font.underline ? 4 : 0) +
                           (font.strikeOut ? 8 : 0));
  auto it = cache.constFind(key);
  if (it != cache.constEnd()) return *it;
  QFont f(FromCp1251(font.name));
  f.setPointSize(font.size > 0 ? font.size : 8);
  f.setBold(font.bold);
  f.setItalic(font.italic);
  f.setUnderline(font.underline);
  f.setStrikeOut(font.strikeOut);
  f.setStyleHint(QFont::SansSerif);
  cache.insert(key, f);
  return f;
}

void PaintCell(QPainter& p, const TFramedLabel& label, int x, int y) {
  const int w = label.width, h = label.height;
  if (w <= 0 || h <= 0) return;
  if (!label.transparent) p.fillRect(x, y, w, h, QColorOf(label.color));

  if (!label.caption.empty()) {
    const QString text = ScreenText(label.caption);
    const QFont font = QFontOf(label.font);
    p.setFont(font);
    const LabelTextBox margins = MarginBoxOf(label);
    int textHeight = 0;
    if (label.vertical() != VAlign::Top) {
      const QFontMetrics fm(font);
      textHeight = fm.boundingRect(QRect(0, 0, std::max(1, margins.right - margins.left), INT_MAX / 4), kWrapFlags, text)
                       .height();
    }
    const LabelTextBox box = TextBoxOf(label, textHeight);
    const int horizontal = label.horizontal() == HAlign::Left     ? Qt::AlignLeft
                           : label.horizontal() == HAlign::Center ? Qt::AlignHCenter
                                                                  : Qt::AlignRight;
    p.save();
    p.setClipRect(x, y, w, h, Qt::IntersectClip);
    p.setPen(QColorOf(label.font.color));
    p.drawText(QRect(x + box.left, y + box.top, box.right - box.left, std::max(0, box.bottom - box.top) + textHeight + h),
               Qt::AlignTop | horizontal | kWrapFlags, text);
    p.restore();
  }

  if (label.selected && w > 3 && h > 3) {
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(x + 3, y + 3, 5, 5, Qt::white);
    p.restore();
  }

  if (label.framed) {
    p.save();
    p.setPen(label.frameSolid ? Qt::black : Qt::white);
    p.drawLine(x, y + h - 1, x, y);
    p.drawLine(x, y, x + w - 1, y);
    p.setPen(Qt::black);
    p.drawLine(x + w - 1, y, x + w - 1, y + h - 1);
    p.drawLine(x, y + h - 1, x + w - 1, y + h - 1);
    p.restore();
  }
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

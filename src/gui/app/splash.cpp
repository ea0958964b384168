#include "gui/app/splash.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QScreen>

#include "core/foundation/codec.h"
#include "gui/foundation/qt_text.h"

namespace rpt::gui {

using namespace literals;

namespace {

// Tahoma where it is installed, else the nearest sans-serif face.
QFont SplashFont() {
  QFont font;
  const QStringList families = QFontDatabase::families();
  for (const char* name : {"Tahoma", "Liberation Sans", "Arimo", "Noto Sans", "FreeSans", "DejaVu Sans"}) {
    if (families.contains(QString::fromLatin1(name), Qt::CaseInsensitive)) {
      font.setFamily(QString::fromLatin1(name));
      break;
    }
  }
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(27);
  font.setBold(true);
  return font;
}

}  // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TSplashForm::ShowAndPaint() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.center() - QPoint(kWidth / 2, kHeight / 2));
  }
  show();
  raise();
  repaint();
  QApplication::processEvents();
}

void TSplashForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // 255 bands from blue at the top to red at the bottom.
  constexpr int kBands = 255;
  for (int i = 0; i < kBands; ++i) {
    const int top = i * kHeight / kBands;
    const int bottom = (i + 1) * kHeight / kBands;
    if (bottom <= top) continue;
    p.fillRect(QRect(0, top, kWidth, bottom - top), QColor(i, 0, 255 - i));
  }
  // Two-tone frame: light on the top and left, dark on the bottom and right.
  const QColor light(0xe8, 0xe8, 0xf8), dark(0x30, 0x10, 0x18);
  for (int inset : {0, 3}) {
    const QColor tl = inset == 0 ? light : dark, br = inset == 0 ? dark : light;
    const int l = inset, t = inset, r = kWidth - 1 - inset, b = kHeight - 1 - inset;
    p.setPen(tl);
    p.drawLine(l, t, r, t);
    p.drawLine(l, t, l, b);
    p.setPen(br);
    p.drawLine(l, b, r, b);
    p.drawLine(r, t, r, b);
  }
  const QString lines[] = {FromCp1251("Программа"_w), FromCp1251("подготовки отчетов"_w),
                           FromCp1251("- 2022 -"_w)};
  const QFont font = SplashFont();
  p.setFont(font);
  const QFontMetrics fm(font);
  const int lineHeight = fm.height();
  int y = (kHeight - 3 * lineHeight) / 2;
  // A face wider than Tahoma is narrowed until the longest line fits.
  const int widest = fm.horizontalAdvance(lines[1]);
  if (widest > kWidth - 28) {
    const qreal ratio = qreal(kWidth - 28) / widest;
    p.translate(kWidth / 2.0, 0);
    p.scale(ratio, 1.0);
    p.translate(-kWidth / 2.0, 0);
  }
  const QColor windowColor = palette().color(QPalette::Window);
  for (const QString& line : lines) {
    const QRect box(0, y, kWidth, lineHeight);
    p.setPen(windowColor);
    p.drawText(box.translated(-1, -1), Qt::AlignHCenter | Qt::AlignVCenter, line);
    p.setPen(Qt::black);
    p.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter, line);
    y += lineHeight;
  }
}

}  // namespace rpt::gui

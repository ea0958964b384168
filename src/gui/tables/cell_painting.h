// Painting a cell of the model with QPainter, and the toolkit's text
// measurement for the tables. The cells are drawn, not built as widgets:
// one window paints thousands of them.
#pragma once

#include <QColor>
#include <QFont>
#include <string_view>

#include "core/tables/table_context.h"
#include "core/tables/table_model.h"

class QPainter;

namespace rpt::gui {

// A model colour on screen; system colours through the application palette.
QColor QColorOf(TColor color);
// The model font as the toolkit's font (size in points).
QFont QFontOf(const TFont& font);

// Draws `label` with its top-left corner at (x, y): fill unless transparent,
// the text in its box (margins, keypad placement, word wrap, tabs), the
// inverted 5x5 mark of a flagged cell, the one-pixel frame, and the ring of
// a cell a check message names, in `remarkFrame` (the colour scheme's).
void PaintCell(QPainter& p, const TFramedLabel& label, int x, int y, const QColor& remarkFrame);

// The mark of a figure that changed suspiciously since last year: a small
// triangle in the cell's top right corner, apart from the check marks.
inline const QColor kYearChangeColor(0xE0, 0x70, 0x00);
void PaintYearChangeMark(QPainter& p, const TFramedLabel& label, int x, int y);

// The frame that marks the current cell: two pixels wide in the highlight
// colour along the inside of the cell's edge.
inline const QColor kCurrentFrameColor(0x00, 0x78, 0xD7);
void PaintCurrentFrame(QPainter& p, int x, int y, int width, int height);

// Text heights measured with the toolkit's fonts, as the painting wraps
// them, so that fitted rows hold exactly what is drawn.
class QtTextMeasure : public TextMeasure {
 public:
  int WrappedTextHeight(const TFont& font, std::string_view text, int width) override;
};
QtTextMeasure& SharedQtTextMeasure();

}  // namespace rpt::gui

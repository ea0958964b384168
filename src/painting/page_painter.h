// Paints a laid-out page on any Qt paint device: printer, PDF or the
// preview panel. Coordinates are printer pixels of the page.
#pragma once

#include <QPageLayout>

#include "core/output/print_layout.h"

class QPainter;

namespace rpt::painting {

void PaintPage(QPainter& painter, const output::PageImage& page);

// A4 with no margins of its own (the table's margins are part of the
// layout) in the table's orientation.
QPageLayout TablePageLayout(const PageSettings& page);

}  // namespace rpt::painting

// The structure tree's nodes: their kind and their icon, for the parts of
// the structure window.
#pragma once

#include <QTreeWidgetItem>

#include "gui/foundation/images.h"
#include "gui/report/structure_window.h"

namespace rpt::gui {

inline NodeKind KindOf(const QTreeWidgetItem* item) {
  return item ? static_cast<NodeKind>(item->data(0, kKindRole).toInt()) : NodeKind::None;
}

inline bool IsFolderNode(const QTreeWidgetItem* item) {
  const NodeKind k = KindOf(item);
  return k == NodeKind::Root || k == NodeKind::Section;
}

inline int NodeImage(const QTreeWidgetItem* item) {
  switch (KindOf(item)) {
    case NodeKind::Document: return kImageDocument;
    case NodeKind::Table: return kImageTable;
    default: return item->isExpanded() ? kImageOpen : kImageClosed;
  }
}

inline void SetNodeIcon(QTreeWidgetItem* item) {
  item->setIcon(0, NodeIcon(NodeImage(item), item->data(0, kStateRole).toInt()));
}

}  // namespace rpt::gui

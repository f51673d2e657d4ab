#include "window/layout_rule.h"

#include <algorithm>

namespace tovren {

TailPlacement PlaceTail(QSize client, QRect table, QRect by, QRect credit) {
  // A window shrunk below the fixed controls gives an empty table, never a negative size.
  table.setWidth(std::max(0, client.width()));
  table.setHeight(std::max(0, client.height() - by.height() - table.top()));
  by.moveTop(table.top() + table.height());
  credit.moveTop(by.top() - 3);
  credit.moveLeft(table.width() - credit.width() - 2);
  by.moveLeft(credit.left() - by.width() - 2);
  return TailPlacement{table, by, credit};
}

}  // namespace tovren

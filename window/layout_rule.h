// The main window's resize rule: the result table fills the client area below the fixed
// controls, and the "By:" label with the credit link sits at the bottom right under it.
// Pure function; any thread.
#pragma once

#include <QRect>
#include <QSize>

namespace tovren {

struct TailPlacement {
  QRect table;   // 超级列表框__主
  QRect by;      // 标签_by
  QRect credit;  // 超级链接框4
};

// Places the three moving controls for a client area of `client`, starting from their
// current rectangles (only the table's top and left and the sizes of the other two are
// read). The steps run in a fixed order, each reading what the earlier ones set:
// table width = W; table height = H - by height - table top; by top = table bottom;
// credit top = by top - 3; credit left = table width - credit width - 2;
// by left = credit left - by width - 2. The table's width and height never go below 0.
TailPlacement PlaceTail(QSize client, QRect table, QRect by, QRect credit);

}  // namespace tovren

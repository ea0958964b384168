// Generates a grid table file of `rows` x `cols` data cells in the form the
// program writes (Windows-1251, CR LF, keys in saving order): a header cell,
// one column-heading cell per column and a footer cell, and data rows of
// row-number, text, integer, real, list and formula cells with export codes.
#pragma once

#include <string>

namespace rpt::bench {

inline std::string GenerateGridTable(int rows, int cols) {
  std::string out;
  out.reserve(static_cast<std::size_t>(rows) * cols * 230 + 4096);
  const int count = 2 + cols + rows * cols;
  auto line = [&out](const std::string& key, const std::string& value) {
    out += key;
    out += '=';
    out += value;
    out += "\r\n";
  };
  const std::string font = "MS Sans Serif,8,0000,clWindowText";
  const std::string black = "MS Sans Serif,8,0000,clBlack";
  const int width = 80, height = 30, minLeft = 10, minTop = 40, minTopD = 70;

  out += "[Table]\r\n";
  for (auto [k, v] : {std::pair{"PageOrient", 1}, {"PageBottom", 20}, {"PageLeft", 30}, {"PageRight", 10},
                      {"PageTop", 15}, {"Count", count}, {"BL0", 1}, {"BL1", 2}, {"BMainNum", 3},
                      {"FirstCell", 2}, {"LastCell", count + 1}, {"Fixed", 1}, {"MinLeft", minLeft},
                      {"MinTop", minTop}, {"MinTopD", minTopD}, {"RowCount", rows}, {"ColCount", cols}})
    line(k, std::to_string(v));
  line("Name", "Generated grid table");
  line("NumTab", "");
  out += "\r\n";

  int n = 2;
  auto cell = [&](char state, int type, int col, int row, int top, int left, const std::string& extra,
                  const std::string& cap, const std::string& f) {
    out += "[Cell_" + std::to_string(n++) + "]\r\n";
    line("State", std::string(1, state));
    line("Type", std::to_string(type));
    out += extra;
    line("BObj", type == 0 || type == 9 || type == 10 || type == 8 ? "-1" : std::to_string(103000000 + n));
    line("BVal", "-1");
    line("BList", "-1");
    line("Col", std::to_string(col));
    line("Row", std::to_string(row));
    line("Vis", std::to_string(top) + " " + std::to_string(left) + " " + std::to_string(width) + " " +
                    std::to_string(height) + " 5 16777215");
    line("Frame", "1");
    line("Cap", cap);
    line("Font", f);
    out += "\r\n";
  };
  cell('H', 10, 0, 0, 5, minLeft, "", "Generated grid table", font);
  for (int c = 1; c <= cols; ++c) cell('T', 8, 0, 0, minTop, minLeft + (c - 1) * width, "", std::to_string(c), font);
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= cols; ++c) {
      const int top = minTopD + (r - 1) * height, left = minLeft + (c - 1) * width;
      switch (c % 6) {
        case 1: cell('D', 9, c, r, top, left, "", std::to_string(r), font); break;
        case 2: cell('D', 1, c, r, top, left, "Len=255\r\nList=\r\nDirectInput=1\r\n", "text " + std::to_string(r), black); break;
        case 3: cell('D', 2, c, r, top, left, "Len=0\r\nDec=0\r\n", std::to_string(r * 7), black); break;
        case 4: cell('D', 3, c, r, top, left, "Len=0\r\nDec=2\r\n", std::to_string(r) + ",25", black); break;
        case 5: cell('D', 6, c, r, top, left, "List=Nowhere.lst\r\nListCode=5\r\nDirectInput=1\r\n", "item", black); break;
        default: cell('D', 7, c, r, top, left, "Dec=2\r\nForm=8 0 (1:2)+(1:3)\r\n", std::to_string(r * 8) + ",25", black); break;
      }
    }
  }
  cell('B', 0, 0, 0, minTopD + rows * height + 10, minLeft, "", "Signature", font);
  return out;
}

}  // namespace rpt::bench

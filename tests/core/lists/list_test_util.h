// Value-list files for the list window's tests (core and desktop): a flat
// list of three rows and two coded columns, and a two-level list.
#pragma once

#include <string>

#include "core/tables/table_test_util.h"

namespace rpt::testing {

// Rows (Москва, МГУ), (Томск, ТГУ), (Омск, ОмГУ): cell codes r1 and r2
// (11, 12, 21, ...), row codes 100 r; columns coded 501 and 502; the
// second column is searched.
inline std::string FlatListFile() {
  std::string s = Win(
      "[Список]\nListCode=77\nУровней=0\nКолНаУровне1=3\nПолей=2\nШирина_1=120\nШирина_2=0\n"
      "1.LC=501\n2.LC=502\nПоиск=1\n\n[Заголовок]\nСписок=Организации\nПоле_1=Город\nПоле_2=Вуз\n\n[0]\n");
  const char* rows[][2] = {{"Москва", "МГУ"}, {"Томск", "ТГУ"}, {"Омск", "ОмГУ"}};
  for (int r = 1; r <= 3; ++r) {
    const std::string p = "0_" + std::to_string(r);
    for (int c = 1; c <= 2; ++c)
      s += Win(p + "_" + std::to_string(c) + "=" + rows[r - 1][c - 1] + "\n" + p + "_" + std::to_string(c) +
               ".BV=" + std::to_string(r * 10 + c) + "\n");
    s += Win(p + ".BL=" + std::to_string(r * 100) + "\n");
  }
  return s + Win("\n");
}

// Level 1: "Сибирь" (two regions), "Пусто" (count 0), a value without its
// "%" parts; level 2: "Томская" with rows ТГУ, ТПУ (key 31) and "Омская"
// with ОмГУ (key 32).
inline std::string TwoLevelListFile() {
  return Win(
      "[Список]\nListCode=5\nУровней=2\nКолНаУровне1=3\nПолей=1\n1.LC=601\n\n"
      "[1]\n0_1=Сибирь%10%2\n0_2=Пусто%20%0\n0_3=Сломано\n\n"
      "[2]\n10_1=Томская%31%2\n10_2=Омская%32%1\n\n"
      "[0]\n31_1_1=ТГУ\n31_1_1.BV=1\n31_1.BL=101\n31_2_1=ТПУ\n31_2_1.BV=2\n31_2.BL=102\n"
      "32_1_1=ОмГУ\n32_1_1.BV=3\n32_1.BL=103\n\n");
}

}  // namespace rpt::testing

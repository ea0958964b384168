#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "core/foundation/codec.h"
#include "support/run_reportctl.h"
#include "support/temp_folder.h"

namespace rpt {
namespace {

using testing::ReadFile;
using testing::Reportctl;
using testing::TempFolder;

TEST(CliStructure, PrintsTheTreeActiveNamesAndPrintStart) {
  TempFolder dir;
  dir.Write("rep/Отчет.str", Utf8ToCp1251(
      "[Отчет]\r\nНазвание=Отчет о НИР\r\nКоличество_разделов=2\r\nНачало печати=T2.ini\r\n\r\n"
      "[Раздел_1]\r\nНазвание=Кадры\r\nКоличество_пунктов=2\r\n\r\n"
      "[Пункт_1_1]\r\nНазвание=Штаты\r\nТип=0\r\nФайл=T1.ini\r\n\r\n"
      "[Пункт_1_2]\r\nНазвание=Записка\r\nТип=1\r\nФайл=Note.doc\r\nУдален=1\r\n\r\n"
      "[Раздел_2]\r\nКоличество_пунктов=1\r\nУдален=1\r\n\r\n"
      "[Пункт_2_1]\r\nФайл=T2.ini\r\n\r\n"));
  const auto r = Reportctl(dir, {"structure", dir / "rep"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "Отчет о НИР\n"
            "  Кадры\n"
            "    Штаты table T1.ini\n"
            "    Записка document Note.doc excluded\n"
            "  Раздел 2. excluded\n"
            "    Таблица 1. table T2.ini\n"
            "active: T1, T2\n"
            "print-start: 5\n");
}

TEST(CliStructure, Failures) {
  TempFolder dir;
  auto r = Reportctl(dir, {"structure", dir / "empty"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("empty/"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(Reportctl(dir, {"structure"}).exitCode, 2);
  EXPECT_EQ(Reportctl(dir, {"structure", "a", "b"}).exitCode, 2);
}

}  // namespace
}  // namespace rpt

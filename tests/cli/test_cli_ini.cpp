#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
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

TEST(CliIni, GetSetSections) {
  TempFolder dir;
  const std::string file = dir.Write("t.ini", Utf8ToCp1251("[Раздел]\nИмя=Значение\n[B]\n"));

  auto r = Reportctl(dir, {"ini", "get", file, "раздел", "имя"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Значение\n");
  EXPECT_EQ(ReadFile(file), Utf8ToCp1251("[Раздел]\nИмя=Значение\n[B]\n")) << "get leaves the file alone";
  EXPECT_EQ(Reportctl(dir, {"ini", "get", file, "B", "k", "нет"}).out, "нет\n");

  r = Reportctl(dir, {"ini", "set", file, "Новый", "Ключ", "Текст"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFile(file), Utf8ToCp1251("[Раздел]\r\nИмя=Значение\r\n[B]\r\n[Новый]\r\nКлюч=Текст\r\n\r\n"));

  r = Reportctl(dir, {"ini", "sections", file});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "Раздел\nB\nНовый\n");
}

TEST(CliIni, Failures) {
  TempFolder dir;
  auto r = Reportctl(dir, {"ini", "set", dir / "missing/t.ini", "S", "k", "v"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("missing/t.ini"), std::string::npos) << r.err;
  EXPECT_EQ(Reportctl(dir, {"ini", "get", dir / "t.ini"}).exitCode, 2);
  EXPECT_EQ(Reportctl(dir, {"ini", "frob"}).exitCode, 2);
}

}  // namespace
}  // namespace rpt

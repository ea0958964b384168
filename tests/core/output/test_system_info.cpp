// The system information file: its blocks made from given facts, and which
// mounted file systems count as which kind of drive.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/foundation/codec.h"
#include "core/output/system_info.h"
#include "support/temp_folder.h"

namespace rpt::output {
namespace {

std::vector<std::string> Utf8(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const auto& l : lines) out.push_back(Cp1251ToUtf8(l));
  return out;
}

// The lines from `heading` up to the next line of two blanks, both included.
std::vector<std::string> Block(const std::vector<std::string>& lines, const std::string& heading) {
  auto at = std::find(lines.begin(), lines.end(), heading);
  EXPECT_NE(at, lines.end()) << heading;
  auto end = std::find(at, lines.end(), "  ");
  return {at, end == lines.end() ? end : end + 1};
}

SystemFacts Facts() {
  SystemFacts f;
  f.osName = "Debian GNU/Linux 12 (bookworm)";
  f.kernelVersion = "6.1";
  f.kernelRelease = "6.1.0-18-amd64";
  f.platform = "Linux";
  f.machine = "x86_64";
  f.processor = "Intel(R) Core(TM) i5";
  f.memoryLoad = 40;
  f.totalPhysical = 8'000'000'000;
  f.freePhysical = 4'800'000'000;
  return f;
}

TEST(SystemInfo, BlocksInOrderWithTheirLabels) {
  SystemFacts f = Facts();
  f.drives = {{"/", DriveKind::Fixed, 5'000'000'000, 1'000'000'000},
              {"/media/usb", DriveKind::Removable},
              {"/mnt/share", DriveKind::Network}};
  f.printers = {{"Laser", false}, {"Office", true}};
  const auto lines = Utf8(SystemInfoLines(f));
  EXPECT_EQ(Block(lines, "Операционная система и процессор"),
            (std::vector<std::string>{
                "Операционная система и процессор", std::string(62, '-'),
                "Версия операционной системы:  6.1 (Debian GNU/Linux 12 (bookworm))",
                "Номер версии:                               6.1.0-18-amd64",
                "Платформа:                                    Linux",
                "Архитектура процессора:             x86_64",
                "Уровень процессора:                   Intel(R) Core(TM) i5", "  "}));
  EXPECT_EQ(Block(lines, "Память").at(2), "Процент использования памяти:          40");
  EXPECT_EQ(Block(lines, "Память").at(3), "Общая физическая память:                  8000000000");
  EXPECT_EQ(Block(lines, "Внешие накопители"),
            (std::vector<std::string>{"Внешие накопители", std::string(34, '-'), "/ Устройство с фиксированным диском.",
                                      "    Общий объем диска:                         5000000000",
                                      "    Объем свободного пространства:   1000000000", "  "}));
  EXPECT_EQ(Block(lines, "Принтеры"), (std::vector<std::string>{"Принтеры", std::string(18, '-'), "1. Laser",
                                                                "2. Office - активный", "  "}));
  // The drives' lines after the fixed one, before the printers' block.
  const auto removable = std::find(lines.begin(), lines.end(), "/media/usb Устройство со сменным диском.");
  ASSERT_NE(removable, lines.end());
  EXPECT_EQ(*(removable + 1), "/mnt/share Удаленный (сетевой) диск.");
  EXPECT_EQ(*(removable + 2), "  ");
  EXPECT_EQ(*(removable + 3), "Принтеры");
}

TEST(SystemInfo, UnreadableSizeAndNoPrinters) {
  SystemFacts f = Facts();
  f.drives = {{"/data", DriveKind::Fixed, -1, 123}};
  const auto lines = Utf8(SystemInfoLines(f));
  EXPECT_EQ(Block(lines, "Внешие накопители"),
            (std::vector<std::string>{"Внешие накопители", std::string(34, '-'), "/data Устройство с фиксированным диском.",
                                      "    Общий объем диска:                         не установлен",
                                      "    Объем свободного пространства:   не установлен", "  "}));
  // Only the headings: the blank line, the title and its rule, the closing blank.
  const std::vector<std::string> tail(lines.end() - 4, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"  ", "Принтеры", std::string(18, '-'), "  "}));
}

TEST(SystemInfo, MountsClassified) {
  const auto mounts = ParseMountTable(
      "proc /proc proc rw 0 0\n"
      "/dev/sda1 / ext4 rw 0 0\n"
      "/dev/sdb1 /media/me/USB\\040STICK vfat rw 0 0\n"
      "/dev/sdc1 /mnt/card exfat rw 0 0\n"
      "server:/export /mnt/nfs nfs4 rw 0 0\n"
      "//srv/share /mnt/smb cifs rw 0 0\n"
      "/dev/sr0 /mnt/cd iso9660 ro 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
      "overlay / overlay rw 0 0\n");
  ASSERT_EQ(mounts.size(), 11u);
  EXPECT_EQ(mounts[2].mountPoint, "/media/me/USB STICK");
  const auto removable = [](const std::string& device) { return device == "/dev/sdc1"; };
  std::vector<std::optional<DriveKind>> kinds;
  for (const auto& m : mounts) kinds.push_back(ClassifyMount(m, removable));
  const std::vector<std::optional<DriveKind>> expected = {
      std::nullopt,        DriveKind::Fixed,   DriveKind::Removable, DriveKind::Removable,
      DriveKind::Network,  DriveKind::Network, DriveKind::CdRom,     DriveKind::RamDisk,
      std::nullopt,        std::nullopt,       DriveKind::Fixed};
  EXPECT_EQ(kinds, expected);
}

TEST(SystemInfo, WrittenInTheCodePageWithCrLf) {
  testing::TempFolder dir;
  SystemFacts f = Facts();
  f.printers = {{"Принтер", true}};
  ASSERT_TRUE(WriteSystemInfo(dir / "SInfo.Inf", f));
  const std::string text = testing::ReadFile(dir / "SInfo.Inf");
  EXPECT_EQ(text.substr(0, 34), Utf8ToCp1251("Операционная система и процессор") + "\r\n");
  EXPECT_NE(text.find(Utf8ToCp1251("1. Принтер - активный") + "\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 4), "  \r\n");
  // The machine's own facts fill the version and memory lines.
  const SystemFacts here = ReadSystemFacts();
  EXPECT_FALSE(here.platform.empty());
  EXPECT_GT(here.totalPhysical, 0u);
}

}  // namespace
}  // namespace rpt::output

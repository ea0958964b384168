// Arbitrary bytes as a table file. Loading ends in a table or in a core
// error; a loaded table saves, and what it saves is a fixed point: loading
// that file and saving it again gives the same bytes.
#include <cstdint>
#include <string>

#include "core/foundation/errors.h"
#include "core/tables/ini_snapshot.h"
#include "core/tables/table.h"
#include "fuzz_work.h"

namespace {

// Sizes that pass the loader's limit but would cost seconds per input are
// left out, so that the fuzzer spends its time on the file's syntax. Sizes
// over the limit are kept: they must be refused at once.
bool Costly(const std::string& path) {
  const rpt::tables::IniSnapshot ini = rpt::tables::IniSnapshot::FromFile(path);
  const auto table = ini.Get("Table");
  const std::int64_t rows = std::int64_t(table.ReadInteger("RowCount", 0)) + 1;
  const std::int64_t cols = table.ReadInteger("ColCount", 0);
  const std::int64_t count = table.ReadInteger("Count", 0);
  constexpr std::int64_t kCheap = 20000, kLimit = 2'000'000;
  const std::int64_t cells = rows * std::max<std::int64_t>(cols, 1);
  return (cells > kCheap && cells <= kLimit && rows <= kLimit) || (count > kCheap && count <= kLimit);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const std::string& work = fuzzing::WorkFolder();
  const std::string input = work + "T1.ini", first = work + "T2.ini", second = work + "T3.ini";
  fuzzing::WriteFile(input, fuzzing::Bytes(data, size));
  if (Costly(input)) return 0;

  rpt::TableContext context;
  {
    rpt::TTable table(context);
    try {
      table.LoadFromFile(input);
    } catch (const rpt::ECoreError&) {
      return 0;
    }
    try {
      table.SaveToFile(first, false);
    } catch (const rpt::ECoreError&) {
      return 0;  // e.g. a real value that is no number: the save is refused
    }
  }
  std::string saved[2];
  const std::string* paths[2] = {&first, &second};
  for (int round = 0; round < 2; ++round) {
    rpt::TTable table(context);
    table.LoadFromFile(*paths[round]);  // a saved file always loads
    if (table.Modified()) __builtin_trap();
    saved[round] = table.SaveText();
    if (round == 0) fuzzing::WriteFile(second, saved[0]);
  }
  if (saved[0] != saved[1] || saved[0] != fuzzing::ReadFile(first)) __builtin_trap();
  return 0;
}

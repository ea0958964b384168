// Arbitrary bytes as a value list, read the two ways the program reads
// lists: the read-only view of whole-list insertion and the list window's
// model (groups, rows of every group, positioning, search). Nothing may
// crash, hang or allocate beyond what the file's size can justify, and
// reading never rewrites the file.
#include <cstdint>
#include <functional>
#include <string>

#include "core/lists/list_view_model.h"
#include "core/lists/value_list.h"
#include "fuzz_work.h"

namespace {

// Rows asked for per input, so that a count read from the file cannot make
// one input cost seconds.
constexpr int kRowBudget = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const std::string path = fuzzing::WorkFolder() + "list.lst";
  const auto input = fuzzing::Bytes(data, size);
  fuzzing::WriteFile(path, input);

  if (const auto view = rpt::TValueList::Open(path)) {
    if (view->columnCodes.size() > size + 1) __builtin_trap();
    (void)view->RowCount();
    (void)view->Value("1_1_1");
    (void)view->Value("0_1_1.BV");
  }
  if (const auto list = rpt::TListFile::Load(path)) {
    if (list->columns.size() > size + 1) __builtin_trap();
    int budget = kRowBudget;
    std::function<void(const std::vector<rpt::ListGroup>&)> walk = [&](const auto& groups) {
      for (const rpt::ListGroup& g : groups) {
        if (budget <= 0) return;
        if (g.children.empty()) {
          const auto rows = list->Rows(g.key, std::min(g.count, budget));
          budget -= static_cast<int>(rows.size()) + 1;
          (void)list->FindGroup(g.key);
        } else {
          walk(g.children);
        }
      }
    };
    walk(list->groups);
    (void)list->Rows(0, std::min(list->level1Count, kRowBudget));
    (void)list->Locate(-1, "a");
    (void)list->Locate(7, "");
    const int start = list->SearchStart(std::nullopt);
    (void)list->Search("\xe0", start);
    if (!list->Release().empty()) __builtin_trap();  // nothing stored, nothing written
  }
  if (fuzzing::ReadFile(path) != input) __builtin_trap();
  return 0;
}

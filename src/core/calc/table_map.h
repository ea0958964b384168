// Which tables the cross-table formulas of each table read, so that the
// report-wide recalculation can take every table after the tables it
// depends on. The report state owns one map for the open report: emptied
// when a report starts loading, filled while its table files are loaded.
//
// Table file names are compared without regard to letter case everywhere
// here: a formula that spells a table "t1" depends on "T1.ini" all the same,
// and a dependency the map failed to match would hold its table back for
// ever.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace rpt {

// One table's entry: its own file name ("T1.ini"), then the file names of
// the tables its formulas refer to, in the order first met, each once.
class TListTables {
 public:
  explicit TListTables(std::string fileName) { strings_.push_back(std::move(fileName)); }

  const std::string& FileName() const { return strings_.front(); }
  // The file name followed by the references.
  const std::vector<std::string>& Strings() const { return strings_; }
  std::size_t Count() const { return strings_.size(); }
  bool HasReferences() const { return strings_.size() > 1; }

  // False (and nothing added) when the entry already lists the name, as a
  // reference or as its own file name: a table's formulas reading the table
  // itself impose no order between tables.
  bool AddReference(std::string_view fileName);
  // Deletes every reference to the name; the own file name stays.
  bool RemoveReference(std::string_view fileName);

  bool operator==(const TListTables&) const = default;

 private:
  std::vector<std::string> strings_;
};

// A table ready for recalculation, with the window the caller's lookup
// found for it.
template <class Window>
struct TReadyTable {
  std::string fileName;
  Window* window = nullptr;
};

// The order of a report-wide recalculation: `ordered` in dependency order;
// then, when a cycle or a dependency on a table without an open window left
// entries that never become ready, `blocked` holds those of them whose own
// window is open, in map order, each to be recalculated once.
template <class Window>
struct TRecalcOrder {
  std::vector<TReadyTable<Window>> ordered;
  std::vector<TReadyTable<Window>> blocked;
};

// The map of tables. Value semantics: copying a map copies every entry.
class TMapTables {
 public:
  // Appends an entry holding only the file name unless one exists already;
  // returns the entry's index either way.
  std::size_t AddTable(std::string_view fileName);
  // Appends the file name to the entry at `index` (see
  // TListTables::AddReference). Raises EListError for an index out of range.
  bool AddReference(std::string_view fileName, std::size_t index);
  // Index of the entry whose own file name is `fileName`, or -1.
  int IndexOf(std::string_view fileName) const;

  // The table is gone from the dependency picture: its name leaves every
  // entry that lists it as a reference, and its own entry is deleted when
  // it lists nothing (an entry that still lists references stays).
  void Remove(std::string_view fileName);

  // The first entry, in map order, that lists no references and whose
  // window `findWindow(fileName)` returns (a pointer; null when the table
  // has no open window). None when no entry qualifies: with entries left,
  // that means the rest waits on a cycle or on a table that is not open,
  // and no amount of repeating will change it.
  template <class FindWindow>
  auto NextReady(FindWindow&& findWindow) const
      -> std::optional<TReadyTable<std::remove_pointer_t<std::invoke_result_t<FindWindow&, const std::string&>>>>;

  // The whole order of a report-wide recalculation, worked out on a copy
  // (the map itself is unchanged): repeatedly take NextReady and Remove it;
  // when nothing is ready while entries remain, the remaining entries with
  // open windows follow once in map order, and the walk ends. Terminates
  // for every map.
  template <class FindWindow>
  auto RecalcOrder(FindWindow&& findWindow) const
      -> TRecalcOrder<std::remove_pointer_t<std::invoke_result_t<FindWindow&, const std::string&>>>;

  TMapTables Copy() const { return *this; }
  void Clear() { entries_.clear(); }

  std::size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  const TListTables& operator[](std::size_t index) const { return entries_[index]; }
  const std::vector<TListTables>& Entries() const { return entries_; }

  bool operator==(const TMapTables&) const = default;

 private:
  std::vector<TListTables> entries_;
};

template <class FindWindow>
auto TMapTables::NextReady(FindWindow&& findWindow) const
    -> std::optional<TReadyTable<std::remove_pointer_t<std::invoke_result_t<FindWindow&, const std::string&>>>> {
  for (const auto& entry : entries_) {
    if (entry.HasReferences()) continue;
    if (auto* window = findWindow(entry.FileName()))
      return TReadyTable<std::remove_pointer_t<decltype(window)>>{entry.FileName(), window};
  }
  return std::nullopt;
}

template <class FindWindow>
auto TMapTables::RecalcOrder(FindWindow&& findWindow) const
    -> TRecalcOrder<std::remove_pointer_t<std::invoke_result_t<FindWindow&, const std::string&>>> {
  TRecalcOrder<std::remove_pointer_t<std::invoke_result_t<FindWindow&, const std::string&>>> order;
  TMapTables rest = Copy();
  // Every round removes one entry's name, and a name once removed is never
  // ready again, so this ends after at most Count() rounds.
  while (!rest.Empty()) {
    auto ready = rest.NextReady(findWindow);
    if (!ready) break;
    rest.Remove(ready->fileName);
    order.ordered.push_back(std::move(*ready));
  }
  for (const auto& entry : rest.entries_)
    if (auto* window = findWindow(entry.FileName())) order.blocked.push_back({entry.FileName(), window});
  return order;
}

}  // namespace rpt

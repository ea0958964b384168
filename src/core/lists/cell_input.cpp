#include "core/lists/cell_input.h"

#include <algorithm>
#include <cmath>

#include "core/foundation/codec.h"
#include "core/foundation/colors_fonts.h"
#include "core/lists/list_view_model.h"
#include "core/tables/table_model.h"
#include "core/tables/table_text.h"

namespace rpt {

using namespace literals;

namespace {

// The editors' limits.
constexpr std::size_t kIntegerDigits = 9;
constexpr std::size_t kRealCharacters = 18;
constexpr double kRealMax = 1.2e100;

std::string Refused(std::string_view value, std::string_view why) {
  return std::string("Неверное значение \""_w) + std::string(value) + "\": " + std::string(why);
}

// The item of the cell's list whose text is `text`: its key "K_r_c" splits
// into the row key, the row and the column.
struct ListHit {
  std::string key;
  std::int32_t itemCode = -1, rowCode = -1;
};

std::optional<ListHit> FindListItem(const TListFile& list, std::string_view text) {
  const auto& lines = list.lines();
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const auto eq = line.find('=');
    if (eq == std::string::npos || std::string_view(line).substr(eq + 1) != text) continue;
    const std::string key = line.substr(0, eq);
    // Item texts are "K_r_c"; codes carry a suffix (".BV", ".BL").
    if (key.find('.') != std::string::npos || std::count(key.begin(), key.end(), '_') != 2) continue;
    ListHit hit{key};
    const std::string row = key.substr(0, key.rfind('_'));
    for (const std::string& other : lines) {
      const auto e = other.find('=');
      if (e == std::string::npos) continue;
      const std::string_view k = std::string_view(other).substr(0, e);
      if (k == key + ".BV") hit.itemCode = TryStrToInt(std::string_view(other).substr(e + 1)).value_or(-1);
      if (k == row + ".BL") hit.rowCode = TryStrToInt(std::string_view(other).substr(e + 1)).value_or(-1);
    }
    return hit;
  }
  return std::nullopt;
}

}  // namespace

bool IsValidDateText(std::string_view t) {
  if (t.size() != 10 || t[2] != '.' || t[5] != '.') return false;
  for (std::size_t i : {0, 1, 3, 4, 6, 7, 8, 9})
    if (t[i] < '0' || t[i] > '9') return false;
  const int day = (t[0] - '0') * 10 + (t[1] - '0');
  const int month = (t[3] - '0') * 10 + (t[4] - '0');
  const int year = std::stoi(std::string(t.substr(6)));
  if (year < 1 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

CellInput CheckCellInput(const TCell& cell, std::string_view utf8, const std::string& listFolder) {
  CellInput in;
  // "?" in place of a letter would be stored without a word.
  if (!FitsCp1251(utf8)) {
    in.error = std::string("Текст \""_w) + Utf8ToCp1251(utf8) +
               std::string("\" содержит знаки, которых нет в кодировке Windows-1251."_w);
    return in;
  }
  const std::string text = Utf8ToCp1251(utf8);
  in.value = text;
  if (text.empty()) return in;
  switch (cell.type) {
    case cell_type::kInteger: {
      const bool digits = text.size() <= kIntegerDigits &&
                          text.find_first_not_of("0123456789") == std::string::npos;
      if (!digits) in.error = Refused(text, "в ячейку вводится целое число не более чем из 9 цифр."_w);
      else in.value = std::to_string(std::stoll(text));
      return in;
    }
    case cell_type::kReal: {
      std::string comma = text;
      for (char& c : comma)
        if (c == '.') c = ',';
      const auto number = text.size() <= kRealCharacters ? tables::ParseNumber(comma) : std::nullopt;
      if (!number || *number < 0 || *number > kRealMax || !std::isfinite(*number))
        in.error = Refused(text, "в ячейку вводится число от 0 до 1,2E+100 не длиннее 18 знаков."_w);
      else in.value = tables::FormatFixed(*number, cell.Dec);
      return in;
    }
    case cell_type::kDate:
      if (!IsValidDateText(text)) in.error = "Неверная дата."_w;
      return in;
    case cell_type::kText:
    case cell_type::kLongText:
    case cell_type::kListValue:
      break;
    default:
      return in;
  }
  const std::size_t limit = cell.type == cell_type::kListValue ? 0 : static_cast<std::size_t>(std::max(cell.Len, 0));
  if (limit > 0 && text.size() > limit) {
    in.error = Refused(text, std::string("в ячейку вводится не более "_w) + std::to_string(limit) +
                                 std::string(" знаков."_w));
    return in;
  }
  if (cell.type == cell_type::kText && text.find_first_of("\r\n") != std::string::npos) {
    in.error = Refused(text, "в ячейку вводится одна строка."_w);
    return in;
  }
  if (cell.DirectInput) return in;
  // Only a choice from the list: the text must be one of its items.
  const std::string path = ListPathOf(listFolder, cell);
  const auto list = path.empty() ? nullptr : TListFile::Load(path);
  const auto hit = list ? FindListItem(*list, text) : std::nullopt;
  if (!hit) {
    in.error = "Значение должно быть выбрано из списка."_w;
    return in;
  }
  if (cell.type == cell_type::kListValue) {
    in.itemCode = hit->itemCode;
    in.rowCode = hit->rowCode;
    in.listCode = list->listCode;
  }
  return in;
}

}  // namespace rpt

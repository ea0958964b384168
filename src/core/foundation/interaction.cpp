#include "core/foundation/interaction.h"

#include "core/foundation/codec.h"

namespace rpt {

using namespace literals;

std::string_view MessageTitle(MessageKind kind) {
  switch (kind) {
    case MessageKind::Warning: return "Предупреждение"_w;
    case MessageKind::Error: return "Ошибка"_w;
    case MessageKind::Information: return "Информация"_w;
    case MessageKind::Confirmation: return "Запрос"_w;
  }
  return {};
}

std::string_view ButtonCaption(Button button) {
  switch (button) {
    case kYes: return "Да"_w;
    case kNo: return "Нет"_w;
    case kOk: return "Дальше"_w;
    case kCancel: return "Отменить"_w;
    default: return {};
  }
}

}  // namespace rpt

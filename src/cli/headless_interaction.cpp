#include "cli/headless_interaction.h"

#include <iostream>

#include "core/foundation/codec.h"

namespace rpt::cli {

Button HeadlessInteraction::ShowMessage(MessageKind kind, std::string_view text, unsigned buttons,
                                        Button defaultButton) {
  if (!subject.empty()) std::cerr << subject << ": ";
  std::cerr << Cp1251ToUtf8(MessageTitle(kind)) << ": " << Cp1251ToUtf8(text) << '\n';
  if (kind == MessageKind::Error) ++errorsShown;
  if (defaultButton != kNoButton) return defaultButton;
  for (Button b : {kYes, kOk, kNo, kCancel})
    if (buttons & b) return b;
  return kOk;
}

}  // namespace rpt::cli

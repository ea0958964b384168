#include "cli/report_session.h"

namespace rpt::cli {

namespace fs = std::filesystem;

// Takes "--NAME VALUE" out of the arguments.
std::optional<std::string> TakeOption(Args& args, const std::string& name) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != name) continue;
    if (i + 1 >= args.size()) throw UsageError(name + " takes a value");
    std::string value = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return value;
  }
  return std::nullopt;
}

bool TakeFlag(Args& args, const std::string& name) {
  for (std::size_t i = 0; i < args.size(); ++i)
    if (args[i] == name) {
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      return true;
    }
  return false;
}

std::string ProgramFolder(Args& args) {
  const auto p = TakeOption(args, "--program-folder");
  if (!p) throw UsageError("--program-folder is required");
  std::error_code ec;
  const fs::path abs = fs::absolute(*p, ec);
  return WithSeparator(ec ? *p : abs.lexically_normal().string());
}

std::string AbsoluteFolder(const std::string& folder) {
  std::error_code ec;
  const fs::path abs = fs::absolute(folder, ec);
  return WithSeparator(ec ? folder : abs.lexically_normal().string());
}

}  // namespace rpt::cli

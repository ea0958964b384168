#include "core/foundation/folders.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/foundation/codec.h"
#include "core/foundation/file_io.h"

namespace fs = std::filesystem;

namespace rpt {

FolderSet FolderSet::FromProgramFolder(std::string programFolder, std::string installData) {
  FolderSet f;
  f.program = WithSeparator(std::move(programFolder));
  f.data = f.program + "Help/Data/";
  f.installData = installData.empty() ? f.data : WithSeparator(std::move(installData));
  f.templates = f.data + "TabIni/";
  f.lists = f.data + "TabLst/";
  f.print = f.data + "PrintDocs/";
  f.service = f.data + "Servis/";
  f.working = f.data + "Temp/";
  f.subreports = f.working + "Subreports/";
  f.reception = f.working + "Temp_p/";
  f.import = f.data + "Temp_r/";
  f.check = f.data + "S/";
  f.mail = f.program + "Почтовый ящик/";
  return f;
}

namespace {

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

}  // namespace

std::optional<std::string> ProcessEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v) return std::nullopt;
  return std::string(v);
}

ProgramLocation ResolveProgramLocation(const std::string& executableFolder,
                                       std::string_view programName, const EnvLookup& getEnv) {
  const std::string exe = WithSeparator(executableFolder);
  return ProgramLocationFor(exe, ::access(exe.c_str(), W_OK | X_OK) == 0, programName, getEnv);
}

ProgramLocation ProgramLocationFor(const std::string& executableFolder, bool executableFolderWritable,
                                   std::string_view programName, const EnvLookup& getEnv) {
  auto env = [&](const char* name) -> std::string {
    auto v = getEnv ? getEnv(name) : ProcessEnv(name);
    return v ? *v : std::string();
  };
  const std::string exe = WithSeparator(executableFolder);
  ProgramLocation loc;
  // A portable folder carries its packages; a writable folder without them
  // is an installation run by a user who may write there (root running
  // /usr/bin/report), whose files belong in the user's folder.
  if (executableFolderWritable && IsFolder(exe + "Help/Data/")) {
    loc.programFolder = exe;
    loc.installData = exe + "Help/Data/";
    loc.portable = true;
    return loc;
  }
  std::string base = env("XDG_DATA_HOME");
  // Relative values are to be ignored (XDG base directory rules).
  if (base.empty() || base.front() != '/') {
    const std::string home = env("HOME");
    base = (home.empty() ? std::string("/tmp") : home) + "/.local/share";
  }
  loc.programFolder = WithSeparator(WithSeparator(base) + std::string(programName));
  if (IsFolder(exe + "Help/Data/")) {
    loc.installData = exe + "Help/Data/";
  } else {
    const fs::path prefix = fs::path(exe).parent_path().parent_path();
    loc.installData = WithSeparator((prefix / "share" / std::string(programName)).string()) + "Help/Data/";
  }
  return loc;
}

std::string ExecutableFolder() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return WithSeparator(fs::current_path(ec).string());
  return WithSeparator(self.parent_path().string());
}

std::string StoredFolderToPath(std::string_view cp1251) {
  if (cp1251.empty()) return {};  // never "/" for a missing value
  std::string path = Cp1251ToUtf8(cp1251);
  for (char& c : path)
    if (c == '\\') c = '/';
  return WithSeparator(std::move(path));
}

std::string LastFolderComponent(std::string_view path) {
  auto isSep = [](char c) { return c == '\\' || c == '/'; };
  std::size_t end = path.size();
  while (end > 0 && isSep(path[end - 1])) --end;
  std::size_t begin = end;
  while (begin > 0 && !isSep(path[begin - 1])) --begin;
  return std::string(path.substr(begin, end - begin));
}

}  // namespace rpt

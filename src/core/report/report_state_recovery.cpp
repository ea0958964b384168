// The report state's part of the recovery of unsaved work: what a load
// offers, when the modified tables are written, and when the data goes.
#include <algorithm>
#include <filesystem>

#include "core/calc/structure.h"
#include "core/foundation/codec.h"
#include "core/foundation/common.h"
#include "core/foundation/errors.h"
#include "core/foundation/interaction.h"
#include "core/report/recovery_run.h"
#include "core/report/report_state.h"

namespace fs = std::filesystem;

namespace rpt {

using namespace literals;

namespace {

// How many tables the question names before "и еще N".
constexpr std::size_t kListedTables = 15;

std::string TablesList(const RecoveryManifest& m) {
  std::string list;
  const std::size_t shown = std::min(m.tables.size(), kListedTables);
  for (std::size_t i = 0; i < shown; ++i)
    list += "\r\n" + (m.tables[i].title.empty() ? m.tables[i].file : m.tables[i].title);
  if (m.tables.size() > shown) list += std::string("\r\nи еще "_w) + std::to_string(m.tables.size() - shown);
  return list;
}

}  // namespace

void TReportState::SetRecoveryMode(RecoveryMode mode, RecoveryTiming timing) {
  recoveryMode_ = mode;
  if (!recovery_) recovery_ = std::make_unique<RecoveryRun>();
  recovery_->timing = timing;
}

RecoveryTiming TReportState::recoveryTiming() const { return recovery_ ? recovery_->timing : RecoveryTiming{}; }

bool TReportState::recoveryRestored() const { return recovery_ && recovery_->restored; }

std::string TReportState::RecoveryFolder() const { return recovery_ ? recovery_->folder : std::string(); }

void TReportState::NoteUserInput(std::int64_t nowMs) {
  if (recovery_) recovery_->lastInputAt = nowMs;
}

void TReportState::FlushRecovery() {
  if (recovery_) recovery_->writer.Flush();
}

std::uint64_t TReportState::RecoverySignature() const {
  std::uint64_t h = 1469598103934665603ULL;
  auto mix = [&h](std::uint64_t v) {
    h ^= v;
    h *= 1099511628211ULL;
  };
  for (const auto& t : tables_) {
    mix(t.table->Modified() ? 1 : 0);
    mix(t.table->Changes());
  }
  mix(reportChanged ? 3 : 5);
  mix(documentOpened ? 7 : 11);
  return h;
}

std::optional<RecoveryManifest> TReportState::OfferRecovery(const std::string& reportFolder) {
  if (recoveryMode_ == RecoveryMode::Off) return std::nullopt;
  RecoveryRun& run = *recovery_;
  run.writer.Cancel();
  run.texts.clear();
  run.restored = false;
  run.errorShown = false;
  run.generation = 0;
  run.folder = RecoveryFolderOf(folders_, reportFolder);
  run.restoredFrom.clear();
  run.package = PackageIdentity(reportFolder);

  std::string folder = run.folder;
  auto manifest = ReadRecovery(folder);
  if (!manifest && recoveryMode_ == RecoveryMode::Apply) {
    // reportctl takes back what the desktop program was told to keep aside.
    folder = AsideFolderOf(run.folder);
    manifest = ReadRecovery(folder);
  }
  if (!manifest) {
    // A folder a crash left before its first manifest holds nothing.
    if (FolderExists(run.folder)) RemoveRecovery(run.folder);
    return std::nullopt;
  }
  const std::string found = std::string("Несохраненные изменения "_w) +
                            std::string(ReportWord(isSubreport, false)) + std::string("а из папки "_w) +
                            Utf8ToCp1251(reportFolder) + std::string(", записанные "_w) + manifest->time;
  if (const std::string refusal = RecoveryRefusal(*manifest, folder, run.package); !refusal.empty()) {
    std::string message = found + std::string(", не могут быть восстановлены: "_w) + refusal + ".";
    if (folder == run.folder) {
      if (const std::string aside = SetRecoveryAside(folder, refusal); !aside.empty())
        message += std::string("\r\nОни отложены в папку \""_w) + Utf8ToCp1251(aside) +
                   std::string("\" и будут удалены при втором запуске программы после этого."_w);
    }
    ui_->ShowMessage(recoveryMode_ == RecoveryMode::Apply ? MessageKind::Error : MessageKind::Warning, message,
                     kOk, kOk);
    return std::nullopt;
  }
  if (recoveryMode_ == RecoveryMode::Offer) {
    const std::string question = std::string("Найдены несохраненные изменения "_w) +
                                 std::string(ReportWord(isSubreport, false)) + std::string("а из папки "_w) +
                                 Utf8ToCp1251(reportFolder) + std::string(", записанные "_w) + manifest->time +
                                 std::string(", в таблицах:"_w) + TablesList(*manifest) +
                                 std::string("\r\nВосстановить их?"_w) +
                                 std::string("\r\n(При ответе \"Нет\" они будут храниться до второго запуска "
                                             "программы после этого, затем удалены.)"_w);
    if (ui_->ShowMessage(MessageKind::Confirmation, question, kYes | kNo, kYes) != kYes) {
      (void)SetRecoveryAside(folder, "отказ от восстановления"_w);
      return std::nullopt;
    }
  }
  run.restoredFrom = folder;
  run.generation = manifest->generation;
  return manifest;
}

void TReportState::RecoveryOpened(const std::optional<RecoveryManifest>& restored) {
  if (recoveryMode_ == RecoveryMode::Off) return;
  RecoveryRun& run = *recovery_;
  if (restored && treeVisible) {
    for (const auto& t : restored->tables)
      if (TReportTable* table = FindTable(t.file)) table->table->SetModified(true);
    reportChanged = true;
    documentOpened = documentOpened || restored->documentOpened;
    run.restored = true;
    Notify();
  }
  run.writtenSignature = RecoverySignature();
  run.changedAt = -1;
  run.lastWriteAt = RecoveryClockMs();
}

void TReportState::DropRecovery() {
  if (recoveryMode_ == RecoveryMode::Off || recovery_->folder.empty()) return;
  RecoveryRun& run = *recovery_;
  run.writer.Cancel();
  (void)run.writer.TakeError();
  RemoveRecovery(run.folder);
  if (!run.restoredFrom.empty() && run.restoredFrom != run.folder) RemoveRecovery(run.restoredFrom);
  run.restoredFrom.clear();
  run.texts.clear();
  run.restored = false;
  run.generation = 0;
  run.package = PackageIdentity(currentFolder);
  run.writtenSignature = RecoverySignature();
  run.changedAt = -1;
  run.lastWriteAt = RecoveryClockMs();
}

bool TReportState::WriteRecoveryIfDue(std::int64_t nowMs) {
  if (recoveryMode_ != RecoveryMode::Offer || loading_ || structureEditing || !treeVisible || tables_.empty())
    return false;
  RecoveryRun& run = *recovery_;
  if (run.folder.empty()) return false;
  if (const std::string error = run.writer.TakeError(); !error.empty() && !run.errorShown) {
    // Once per report: the user should know that a crash would now lose more.
    run.errorShown = true;
    ui_->ShowMessage(MessageKind::Warning,
                     std::string("Не удается записать данные для восстановления несохраненных изменений: "_w) +
                         Utf8ToCp1251(error) + std::string(".\r\nСохраняйте отчет чаще."_w),
                     kOk, kOk);
  }
  if (!IsModified()) return false;
  if (RecoverySignature() == run.writtenSignature) {
    run.changedAt = -1;
    return false;
  }
  if (run.changedAt < 0) run.changedAt = nowMs;
  if (!RecoveryWriteDue(run.timing, nowMs, run.changedAt, run.lastWriteAt, run.lastInputAt)) return false;
  return StartRecoveryWrite(nowMs);
}

bool TReportState::WriteRecoveryNow() { return StartRecoveryWrite(RecoveryClockMs()); }

bool TReportState::StartRecoveryWrite(std::int64_t now) {
  if (recoveryMode_ == RecoveryMode::Off || !recovery_ || recovery_->folder.empty() || loading_) return false;
  RecoveryRun& run = *recovery_;
  RecoverySnapshot snapshot;
  RecoveryManifest manifest;
  for (auto& t : tables_) {
    if (!t.table->Modified()) continue;
    auto& cached = run.texts[t.file];
    if (!cached.text || cached.changes != t.table->Changes()) {
      try {
        cached.text = std::make_shared<const std::string>(t.table->SaveText());
        cached.changes = t.table->Changes();
      } catch (const std::exception&) {
        // A table a save would refuse (a value that is no number) keeps
        // the text last written; the save itself will say what is wrong.
        if (!cached.text) continue;
      }
    }
    snapshot.files.emplace_back(Cp1251ToUtf8(t.file), cached.text);
    manifest.tables.push_back({t.file, t.caption.empty() ? t.itemTitle : t.caption});
  }
  run.writtenSignature = RecoverySignature();
  run.changedAt = -1;
  run.lastWriteAt = now;
  if (snapshot.files.empty()) return false;
  manifest.program = std::string(RecoveryProgramVersion());
  manifest.reportVersion = std::string(kVersionThisYear);
  manifest.report = currentFolder;
  manifest.package = run.package;
  manifest.time = RecoveryTimeNow();
  manifest.generation = ++run.generation;
  manifest.reportChanged = reportChanged;
  manifest.documentOpened = documentOpened;
  snapshot.folder = run.folder;
  snapshot.generation = manifest.generation;
  snapshot.manifest = manifest.Text();
  run.writer.Submit(std::move(snapshot));
  return true;
}

}  // namespace rpt

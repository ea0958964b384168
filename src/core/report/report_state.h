// The report state: the one open report, its tables and the operations that
// open, load, save, create and delete reports. Owned by the structure
// window; the desktop program, reportctl and the tests drive the same
// object, the windows following through ReportView.
//
// Paths are UTF-8 and every folder ends with "/"; texts are Windows-1251.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/folders.h"
#include "core/report/recent_list.h"
#include "core/report/recovery.h"
#include "core/report/report_lock.h"
#include "core/calc/report_engine.h"
#include "core/calc/structure.h"
#include "core/calc/table_map.h"
#include "core/tables/color_scheme.h"
#include "core/tables/table.h"

namespace rpt {

class Interaction;
class TFormNewRep;
namespace tables {
class TablePreloader;
}  // namespace tables
class TFormProgressD;
class TReportState;
struct RecoveryRun;

// One table window of the report: the table and its captions.
struct TReportTable {
  std::unique_ptr<TTable> table;
  std::string caption;    // the window's caption: the table's title
  std::string itemTitle;  // the item's caption in the structure tree
  std::string file;       // "Файл" of the item (Windows-1251)
};

// How the windows follow the report state. Every call has a default that
// does nothing.
class ReportView {
 public:
  virtual ~ReportView() = default;
  // Any of the shown state changed (tree, caption, enabled windows, tables):
  // the actions' enabled states are recomputed.
  virtual void StateChanged(const TReportState&) {}
  virtual void MinimiseTablesFrame() {}
  // Every table is about to be destroyed: windows showing them let go.
  virtual void TablesClosing() {}
  // After a new report: the program in front, the tree focused.
  virtual void BringToFront() {}
  // A load has read every table and is about to recalculate them.
  virtual void TablesLoaded(const TReportState&) {}
};

// The result of the report folder dialog.
enum class FolderDialogResult { Created, Cancelled };

class TReportState : private TableHooks {
 public:
  // Without an engine the state makes its own TCheckingEngine (formulas,
  // checks and statuses); tests may give a BasicReportEngine.
  TReportState(const FolderSet& folders, Interaction& ui, ReportEngine* engine = nullptr,
               ReportView* view = nullptr);
  ~TReportState() override;
  TReportState(const TReportState&) = delete;
  TReportState& operator=(const TReportState&) = delete;

  // --- installation ---------------------------------------------------------
  // Reads what start-up reads once: the template structure file's flags, the
  // recent list (purged), the table font of "LocOpt.cnf".
  void ReadInstallation();

  // --- report operations ------------------------------------------------------
  // *open report folder*: empty = the most recent report (or a new one).
  void OpenReportFolder(const std::string& folder);
  // *load report*; empty = the most recent report (or a new one).
  void LoadReport(const std::string& folder);
  // Reads the report that lies unpacked in the folder set's working folder
  // as *load report* reads what it unpacked (version, check rules of the
  // template folder, structure, tables, recalculation, statuses), without a
  // lock and without writing anything: for the commands that read an
  // unpacked report folder in place.
  void ReadUnpackedReport();
  // *save*: false when nothing was saved (unmodified) or saving failed.
  bool Save();
  // *save as*: true when the report was saved and opened from its new folder.
  bool SaveAs();
  // *new report*: true when a new report was created and opened.
  bool NewReport();
  // *open*: the file dialog "Поиск отчета", then *open report folder*.
  void Open();
  // "Открыть пример": a copy of the installation's demo report in a new
  // folder of the program folder ("Пример", else "Пример 2", ...), opened
  // as any report, so that the real report is never touched. True when
  // the copy was opened.
  bool OpenExample();
  // *delete report*: true when the report was deleted.
  bool DeleteReport();
  // *close query*: true when the caller may go on.
  bool CloseQuery();
  bool IsModified() const;
  void DiscardChanges();
  // *remember folder* in the recent list.
  void RememberFolder(const std::string& folder);
  // Choosing an entry of the recent list (the entry's folder: the close
  // query may reorder the list first).
  void ChooseRecent(const std::string& entry);
  // Writes the structure back when a sub-report's structure was being
  // defined or the open report is a sub-report of a full installation
  // (the working folder packed into the current folder's "Report.rpt").
  bool EndStructureEditing();

  // *version is current*: the folder's structure file carries "23_00_22".
  static bool VersionIsCurrent(const std::string& folder);

  // --- report-wide operations on the tables ---------------------------------
  void RecalcAllTables();
  void RefreshStatuses();

  // A document item was handed to its program: the report counts as changed.
  void MarkDocumentOpened() { documentOpened = true; }
  // The structure being defined was changed (an item left out or taken in).
  void MarkStructureChanged() { structureChanged = true; }
  // The user's table font for the tables loaded from now on (Windows-1251
  // face; size 0: the tables' own).
  void SetUserTableFont(std::string face, int size) {
    context_.userFontFace = std::move(face);
    context_.userFontSize = size;
  }

  // --- the colour scheme ------------------------------------------------------
  // The open report's "Colors.opt" as read when the report was loaded or
  // last re-read; no entries without a report or a file.
  const TColorScheme& colorScheme() const { return colorScheme_; }
  // The open report's "Colors.opt" (UTF-8; an existing spelling of the name
  // wins); empty when no report is open.
  std::string ColorsFilePath() const;
  // Reads "Colors.opt" again (after the colour window saved it).
  void ReloadColorScheme();

  // --- the state --------------------------------------------------------------
  const FolderSet& folders() const { return folders_; }
  Interaction& ui() const { return *ui_; }
  TableContext& tableContext() { return context_; }

  std::string currentFolder;  // the program folder when no report is open
  std::string previousFolder;
  bool isSubreport = false;
  bool subreportOnly = false;
  bool structureEditing = false;
  bool structureChanged = false;
  bool reportChanged = false;
  bool documentOpened = false;

  // The report lock of the open report's folder: taken by *load report*
  // before anything is unpacked, kept while the report is open, released
  // when another report is loaded, the report is deleted or the state goes.
  // A report whose lock another program holds is not opened: the error
  // names the holder. `lockWaitMs`: how long to wait for the lock first.
  const TReportLock& reportLock() const { return lock_; }
  int lockWaitMs = 0;
  // Off only for a reader that never writes the report (reportctl open).
  bool lockReports = true;

  bool loading() const { return loading_; }
  void SetLoadingFlag(bool on) { loading_ = on; }

  // The windows as the state left them.
  bool treeVisible = false;
  bool structureWindowEnabled = true;
  bool tablesFrameEnabled = false;
  bool headerFooterViews = false;
  std::string caption;  // of the structure window (Windows-1251)

  // The open report's structure: the tree (sub-reports loaded) and the
  // document selection's (without them). Empty when none is loaded.
  std::optional<StructureModel> structure;
  std::optional<StructureModel> selectionStructure;

  const std::vector<TReportTable>& tables() const { return tables_; }
  TReportTable* FindTable(std::string_view fileCp1251);
  TMapTables& tableMap() { return map_; }
  TRecentList& recent() { return recent_; }
  ReportEngine& engine() { return *engine_; }

  // The report folder dialog's driver: shows the dialog until it closes.
  // By default "Создать автоматически" is pressed.
  std::function<void(TFormNewRep&)> runFolderDialog;

  // Closes every table window without saving.
  void CloseAllTables();

  // --- recovery of unsaved work -------------------------------------------------
  // Off: nothing is written or offered (reportctl, tests). Offer: the
  // desktop program: while the report is open and changed its modified
  // tables are written into its recovery folder, and a load offers what a
  // crash left there ("Да" restores it, "Нет" sets it aside). Apply: a load
  // restores it without asking (reportctl recover --apply). A save and a
  // "Нет" to the save question remove it.
  enum class RecoveryMode { Off, Offer, Apply };
  void SetRecoveryMode(RecoveryMode mode, RecoveryTiming timing = {});
  RecoveryMode recoveryMode() const { return recoveryMode_; }
  RecoveryTiming recoveryTiming() const;
  // A key or mouse button of the user (`nowMs` of RecoveryClockMs): writes
  // wait for a pause.
  void NoteUserInput(std::int64_t nowMs);
  // Asked on a timer: writes the modified tables when a change is waiting
  // and the timing allows it. True when a write was started.
  bool WriteRecoveryIfDue(std::int64_t nowMs);
  // Starts a write of the modified tables whatever the timing; false when
  // there is nothing to write.
  bool WriteRecoveryNow();
  // Returns once the writes started are on disk.
  void FlushRecovery();
  // The open report's recovery folder; empty when none is kept.
  std::string RecoveryFolder() const;
  // Whether the last load restored recovered tables.
  bool recoveryRestored() const;

 private:
  friend class TFormNewRep;

  // TableHooks: the loading flag and the change marks are the state's;
  // everything else goes to the engine.
  bool Loading() const override { return loading_; }
  void SetLoading(bool on) override { loading_ = on; }
  void ModifiedChanged(TTable& table, bool modified) override;
  void ReportChanged() override;
  void RecalcTable(TTable& table, bool deep, bool withCheck) override;
  void ValueChanged(TTable& table, TCell& cell) override;
  void CheckTable(TTable& table) override;
  void TableMapAdd(std::string_view fileName) override;
  void TableMapRemove(std::string_view fileName) override;
  void RegisterTableLinks(TTable& table, std::string_view references) override;
  bool HasRules(std::string_view tableName) override;
  TColor DisplayColor(TColor fileColor) override;
  std::optional<TColor> BackgroundColor() override;
  TColor SchemeColor(ColorRole role) override { return colorScheme_.Role(role); }

  // Saves the modified tables (recalculated first) and packs the working
  // folder into the report's package; `always` packs even when nothing changed.
  bool SaveAndPack(bool always);
  // *create* of a new report folder "Отчет" + N in the program folder.
  std::string CreateAutomaticFolder();
  void AttachEngine();
  // The stages of *load report*: the previous report closed; the windows
  // usable again whatever the outcome; a failure before anything was read.
  void BeginLoad();
  void EndLoad();
  void LoadFailed(std::string_view message);
  enum class ReadOutcome { Read, TableMissing, Failed };
  // Reads the working folder; `reportFolder` is the report's own folder.
  // `inPlace`: the folder is the report's own, and nothing is unpacked into it.
  // `ahead`: tables loaded while the folder was being unpacked.
  ReadOutcome ReadWorkingFolder(const std::string& reportFolder, bool inPlace,
                                tables::TablePreloader* ahead = nullptr);
  // Loads the structure's tables; false when one is missing (shown).
  bool LoadTables(TFormProgressD& progress, tables::TablePreloader* ahead);
  // A missing table stopped the load: what was loaded stays open.
  void TablesMissing();
  // No report is open: no structure and no tree.
  void ForgetStructure();
  void Notify();
  // Shows an error's message in the error box.
  void ShowError(std::string_view message);
  // Before a report is unpacked: what its recovery folder holds, offered
  // (or applied) when usable, set aside otherwise. The manifest to restore.
  std::optional<RecoveryManifest> OfferRecovery(const std::string& folder);
  // After the load: restored tables marked changed, the timing started.
  void RecoveryOpened(const std::optional<RecoveryManifest>& restored);
  // The report was saved or its changes discarded: its recovery goes.
  void DropRecovery();
  std::uint64_t RecoverySignature() const;
  // Hands the modified tables' texts to the writer; `nowMs` starts the next interval.
  bool StartRecoveryWrite(std::int64_t nowMs);
  // Why the report may not be deleted from the folder (Windows-1251, to
  // follow "папка F "); empty when it may.
  std::string_view DeleteRefusal(const std::string& folder) const;

  FolderSet folders_;
  Interaction* ui_;
  ReportView defaultView_;
  ReportView* view_;
  std::unique_ptr<ReportEngine> ownEngine_;
  ReportEngine* engine_;
  TableContext context_;
  TColorScheme colorScheme_;
  bool loading_ = false;
  bool rulesOpened_ = false;
  TReportLock lock_;
  std::vector<TReportTable> tables_;
  TMapTables map_;
  TRecentList recent_;
  RecoveryMode recoveryMode_ = RecoveryMode::Off;
  std::unique_ptr<RecoveryRun> recovery_;
};

// The first free folder program folder + word + N + "/" (N = 1, 2, …).
std::string FirstFreeFolder(const std::string& programFolder, std::string_view wordUtf8);

}  // namespace rpt

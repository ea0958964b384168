// Small operations every part of the system uses: folders, file copying,
// handing files to the desktop, and a few text helpers. Paths are UTF-8;
// texts are Windows-1251.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/folders.h"

namespace rpt {

class Interaction;

// True when the path names an existing folder (a link to one counts).
bool FolderExists(const std::string& path);

// Creates the folder and any missing parents; false when it cannot.
bool ForceFolders(const std::string& path);

// Deletes every file in the folder and its subfolders; with `removeFolder`
// the emptied subfolders and the folder itself go too. Entries that block
// deletion for lack of write permission are made writable first. A symbolic
// link inside the folder is removed as a link: nothing outside the folder
// is ever touched. A missing folder counts as cleared. Refuses (false) an
// empty path and the root folder. False when anything could not be deleted;
// the rest is still deleted.
[[nodiscard]] bool ClearFolder(const std::string& path, bool removeFolder);

// True when `inner` is the folder `outer` or lies anywhere below it, both
// taken with every link resolved (a part that does not exist as written).
bool FolderHolds(const std::string& outer, const std::string& inner);

// True for "/" and for the top folder of any mounted file system.
bool IsFileSystemRoot(const std::string& folder);

// The names of the folder's entries (files, folders, links, anything but
// "." and ".."), sorted; a folder's name ends with "/". Empty when the
// folder cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// Deletes the entries of the folder named in `names` that are not folders
// (a link is removed as a link: what it points to is never touched), then
// the folder itself when nothing is left in it (a folder given as a link:
// the link). Names that are not there are skipped. Empty on success,
// otherwise the message for the first entry that could not be deleted:
// "Не удается удалить файл \"path\": " + the system's reason (Windows-1251).
std::string DeleteFilesThenFolder(const std::string& folder, const std::vector<std::string>& names);

// Copies the bytes of `source` to `destination`, replacing it (the copy is
// written beside it and renamed into place, so a failed copy never leaves a
// truncated file), creating the destination's folder, and giving the copy
// the source's modification time and permissions. A destination that is a
// folder (or ends with "/") receives the file under its own name. Raises
// EFileError naming the file that could not be read or written.
void CopyFile(const std::string& source, const std::string& destination);

// One step of a progress bar.
using ProgressStep = std::function<void()>;

// Copies every entry of `sourceFolder` matching `mask` into
// `destinationFolder` with CopyFile, in name order, stepping `step` once per
// entry after the first. The first failure (a matching subfolder counts as
// one) ends the copying without a report; false then.
bool CopyFilesByMask(const std::string& sourceFolder, const std::string& destinationFolder,
                     std::string_view mask, const ProgressStep& step = {});

// Hands the file to the desktop's associated program; false when nothing
// could open it.
bool OpenDocument(Interaction& ui, const std::string& path);

// The text editor as a program and its leading arguments; empty when none.
using EditorCommand = std::vector<std::string>;

// Chosen once at start: the first of $VISUAL and $EDITOR that is set (split
// on blanks into program and arguments), else the first known desktop text
// editor found on $PATH.
EditorCommand ChooseTextEditor(const EnvLookup& getEnv = ProcessEnv);

// Shows a text file: through the desktop, else in `editor`; false when
// neither could. (There is no printing fallback.)
bool ShowTextFile(Interaction& ui, const std::string& path, const EditorCommand& editor);

// "Подотчет", "подотчет", "Отчет" or "отчет" (Windows-1251).
std::string_view ReportWord(bool isSubreport, bool capitalised);

// The text as a real number with the comma as decimal separator (blanks
// around it allowed, an optional sign and exponent), else `def`. The result
// never depends on the process locale.
double NumberOrDefault(std::string_view text, double def);

// The n-th (from 1) blank-separated word; runs of blanks separate like one,
// leading and trailing blanks are ignored. Empty beyond the last word.
std::string NthWord(std::string_view text, int n);
int WordCount(std::string_view text);

// The line-break codec of table definitions: first a leading blank becomes
// "$" and a leading "$" becomes a blank, then every occurrence of `token` is
// replaced by `replacement` (left to right, without rescanning).
std::string ConvertMultiLine(std::string_view text, std::string_view token,
                             std::string_view replacement);

// `s` without the blanks and control characters (bytes up to 0x20) at its
// ends, as check rules and protocols compare texts.
std::string_view TrimControls(std::string_view s);

}  // namespace rpt

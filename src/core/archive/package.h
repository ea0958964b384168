// Report packages: a cabinet of one folder's files whose first two bytes are
// exchanged, so that a package never begins with the cabinet signature.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/foundation/interaction.h"
#include "core/archive/cabinet_reader.h"

namespace rpt {

// Exchanges the first two bytes of the file; its own inverse. A file shorter
// than two bytes is left as it is.
void ExchangeFirstTwoBytes(const std::string& path);

// *pack*: writes every file matching `fileMask` ("folder/*") into the
// package, keeping the previous package as destination + "$" until the new
// one is complete. The new package is written under a name of its own
// (destination + "~" + six characters), its first two bytes exchanged,
// flushed to disk and renamed over the destination, so that a crash at any moment
// leaves the old or the new package there, never a partial one. On failure the previous package is put back, the save
// error is shown through `ui` and the result is false; `cause` (when given)
// receives the underlying error's message (Windows-1251).
bool PackFolder(Interaction& ui, const std::string& fileMask, const std::string& destination,
                bool exchange, bool includeSubfolders, std::string* cause = nullptr);

// Told of each file of a package as soon as it is complete on disk, on the
// thread that writes the files, while the rest is still being unpacked.
using FileWritten = std::function<void(const std::string& path)>;

// *unpack*: extracts every file of the package into the folder. The
// exchanged copy is made in a private temporary folder, so a package in a
// folder that cannot be written to still opens. With `exchanged` false the
// file is read as a plain cabinet.
void UnpackPackage(const std::string& package, const std::string& destinationFolder, bool exchanged = true,
                   const FileWritten& written = {});

// *refresh folder*: empties the folder (files removed, subfolders emptied
// but kept) or creates it, then unpacks the package there when it exists.
void RefreshFolder(const std::string& destinationFolder, const std::string& package,
                   const FileWritten& written = {});

// The files of a package (or, with `exchanged` false, of a plain cabinet).
std::vector<TSTCabFileInfo> ListPackage(const std::string& package, bool exchanged = true);

}  // namespace rpt

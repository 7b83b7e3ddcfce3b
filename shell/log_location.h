// Where the log file lies: a function of what the system reports, so that every case can be tried.
#pragma once

#include <string>

namespace Brindle::Shell::LogLocation {

using TempFolderSource = std::wstring (*)();

// Creates the log folder under localAppData (relative to the current directory when that is
// empty) and answers the log file's path there; when the folder cannot be had, the file in the
// temporary folder; the empty text when there is no temporary folder either.
std::wstring Choose(const std::wstring& localAppData, TempFolderSource tempFolder) noexcept;
// The log file in the temporary folder, or the empty text when there is none.
std::wstring InTempFolder(TempFolderSource tempFolder) noexcept;

} // namespace Brindle::Shell::LogLocation

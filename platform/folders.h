// Folders made on demand: the log's folder and the browser control's profile folder.
#pragma once

#include "platform/prelude.h"

#include <string>

namespace Brindle::Shell {

// Two parts with one backslash between them, unless the first is empty or already ends in one.
std::wstring JoinPath(const std::wstring& first, const std::wstring& second);

// Creates the folder together with every missing parent; a folder that already exists is no
// error, a file of that name is. Answers ERROR_SUCCESS or the error of the step that failed.
DWORD CreateFolderWithParents(const std::wstring& path);

} // namespace Brindle::Shell

// Small file helpers for tests.
#pragma once

#include <string>
#include <vector>

namespace Brindle::Tests {

// The whole file as bytes; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool IsFolder(const std::wstring& path);
// Removes a file, or a folder with everything in it; a missing path is no error.
void RemoveTree(const std::wstring& path);
// Size in bytes, or 0 when the file is missing.
unsigned long long FileSize(const std::wstring& path);
// The UTF-8 text split at CR LF; the text after the last CR LF is not a line.
std::vector<std::string> SplitLines(const std::string& text);

} // namespace Brindle::Tests

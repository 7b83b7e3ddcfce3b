// A folder under the temporary folder that did not exist before, removed again with everything
// in it; a removal that a process holds up is tried again for a while.
#pragma once

#include <string>
#include <string_view>

namespace Brindle::Tests {

class ScratchFolder {
public:
    // name becomes the last part of the path, so that it may hold blanks or non-ASCII letters.
    explicit ScratchFolder(std::wstring_view name = L"scratch");
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    // Ends in a backslash.
    [[nodiscard]] const std::wstring& Path() const { return path_; }
    [[nodiscard]] std::wstring operator/(std::wstring_view child) const {
        return path_ + std::wstring(child);
    }

private:
    std::wstring root_;
    std::wstring path_;
};

} // namespace Brindle::Tests

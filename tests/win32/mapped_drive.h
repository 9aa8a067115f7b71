// A folder of the test prefix shown as a drive letter of its own, the way winecfg adds a drive: Wine's
// mount manager links the letter to the folder's Unix path in the prefix's dosdevices and makes the
// drive list show it at once (a dosdevices link made by hand appears only once the server restarts).
#pragma once

#include <string>

namespace pell::test {

class MappedDrive {
public:
    // Maps the first free letter from M: on to `folder` with the Win32 drive type `type`
    // (2 removable, 3 fixed, 4 remote). letter() is 0 when the mapping failed.
    MappedDrive(const std::wstring& folder, unsigned type);
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;

    wchar_t letter() const { return letter_; }
    // "M:\"
    std::wstring root() const { return std::wstring(1, letter_) + L":\\"; }

private:
    wchar_t letter_ = 0;
};

}  // namespace pell::test

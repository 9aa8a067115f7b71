// Plants test infections on a machine and inspects it afterwards; implemented by the fake machine and,
// under Wine, by the real one, so one scenario can run against both.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/system.h"

namespace pell::test {

class Planter {
public:
    virtual ~Planter() = default;

    // Files and folders (parents are created as needed).
    virtual void PlantFolder(const std::wstring& path) = 0;
    virtual void PlantFile(const std::wstring& path, const std::string& bytes,
                           std::uint32_t attributes = kAttributeNormal) = 0;
    virtual bool FileExists(const std::wstring& path) = 0;
    virtual std::optional<std::string> FileBytes(const std::wstring& path) = 0;

    // Registry (keys are created as needed).
    virtual void PlantKey(RegRoot root, const std::wstring& key) = 0;
    virtual void PlantString(RegRoot root, const std::wstring& key, const std::wstring& name,
                             const std::wstring& data) = 0;
    virtual void PlantDword(RegRoot root, const std::wstring& key, const std::wstring& name,
                            std::uint32_t data) = 0;
    virtual bool KeyExists(RegRoot root, const std::wstring& key) = 0;
    virtual std::optional<std::wstring> StringValue(RegRoot root, const std::wstring& key,
                                                    const std::wstring& name) = 0;
    virtual bool ValueExists(RegRoot root, const std::wstring& key, const std::wstring& name) = 0;

    // A running service whose key holds ImagePath = imagePath.
    virtual void PlantService(const std::wstring& name, const std::wstring& imagePath) = 0;
    // Starts a harmless program from `path` (the file must exist); returns its process id.
    virtual std::uint32_t StartProgram(const std::wstring& path) = 0;
    virtual bool ProcessRunning(std::uint32_t pid) = 0;
};

}  // namespace pell::test

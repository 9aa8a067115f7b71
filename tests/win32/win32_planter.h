// The Planter on the real machine (under Wine): plants files, keys, values, services and programs
// with Win32 calls of its own, and takes away everything it planted when it goes.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/win32_api.h"
#include "tests/fake/planter.h"

namespace pell::test {

class Win32Planter : public Planter {
public:
    Win32Planter() = default;
    Win32Planter(const Win32Planter&) = delete;
    Win32Planter& operator=(const Win32Planter&) = delete;
    ~Win32Planter() override;

    void PlantFolder(const std::wstring& path) override;
    void PlantFile(const std::wstring& path, const std::string& bytes,
                   std::uint32_t attributes = kAttributeNormal) override;
    bool FileExists(const std::wstring& path) override;
    std::optional<std::string> FileBytes(const std::wstring& path) override;
    void PlantKey(RegRoot root, const std::wstring& key) override;
    void PlantString(RegRoot root, const std::wstring& key, const std::wstring& name,
                     const std::wstring& data) override;
    void PlantDword(RegRoot root, const std::wstring& key, const std::wstring& name,
                    std::uint32_t data) override;
    bool KeyExists(RegRoot root, const std::wstring& key) override;
    std::optional<std::wstring> StringValue(RegRoot root, const std::wstring& key,
                                            const std::wstring& name) override;
    bool ValueExists(RegRoot root, const std::wstring& key, const std::wstring& name) override;
    // `imagePath` must start a real service program (tests/win32/programs/test_service.cpp takes the
    // service name as its argument). Waits until the service runs.
    void PlantService(const std::wstring& name, const std::wstring& imagePath) override;
    std::uint32_t StartProgram(const std::wstring& path) override;
    bool ProcessRunning(std::uint32_t pid) override;

    // A value of any type and size, written as given.
    void PlantValue(RegRoot root, const std::wstring& key, const std::wstring& name, DWORD type,
                    const void* data, DWORD bytes);
    // The current state of a planted service (SERVICE_RUNNING, SERVICE_STOPPED, ...), 0 if unknown.
    DWORD ServiceState(const std::wstring& name);
    // Waits up to `ms` for the service to reach `state`.
    bool WaitServiceState(const std::wstring& name, DWORD state, DWORD ms);
    // Waits up to `ms` for the process to end.
    bool WaitProcessEnd(std::uint32_t pid, DWORD ms);

private:
    struct PlantedValue {
        RegRoot root;
        std::wstring key, name;
    };
    std::vector<std::wstring> folders_, files_, services_;
    std::vector<std::pair<RegRoot, std::wstring>> keys_;
    std::vector<PlantedValue> values_;
    std::vector<std::uint32_t> processes_;
};

// The folder of the running test program (the helper programs are built beside it).
std::wstring TestProgramFolder();
// The whole content of a file, read with plain Win32 calls; nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::wstring& path);

}  // namespace pell::test

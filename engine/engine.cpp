// The engine's shared state and its details-channel shortcut.
#include "engine/engine.h"

#include "engine/scan.h"
#include "i18n/details.h"

namespace pell {

namespace {

class NoRecord : public ChangeSink {
public:
    void ProcessTerminated(const std::wstring&, std::uint32_t) override {}
    void FileDeleted(const std::wstring&, std::uint32_t, const FileCopy&, FileDeletion) override {}
    void ValueDeleted(ValueKind, const RecordedValue&) override {}
    void ValueRewritten(const RecordedValue&, const std::vector<std::uint8_t>&) override {}
    void ServiceDeleted(const std::wstring&, const std::wstring&, const std::wstring&) override {}
    void HostsRewritten(const std::wstring&, const std::wstring&, const std::vector<std::wstring>&,
                        const std::string&) override {}
};

// Status codes whose line says that something could not be done: unable to back up a service, to
// terminate, to remove, or to clean the hosts file.
bool IsFailureCode(float code) {
    return code == status::UnableToBackUp || code == status::UnableToTerminate || code == status::UnableToRemove ||
           code == status::UnableToClearHostsReadOnly || code == status::UnableToOpenHostsForScanning ||
           code == status::UnableToOpenHostsForCleaning;
}

}  // namespace

ChangeSink& Engine::Changes() {
    static NoRecord none;
    return changes ? *changes : none;
}

bool Engine::MayChange() { return Changes().Intact(); }

void Engine::Details(float code, std::wstring_view arg) {
    if (IsFailureCode(code)) ++failures;
    // On the what-if machine nothing is done: the lines say what a cleaning would do.
    if (dynamic_cast<const WhatIfSystem*>(&sys) != nullptr) {
        const std::wstring line = ScanStatusLine(code, arg);
        if (!line.empty()) return AppendDetailsLine(host, line);
    }
    WriteDetails(host, translation, code, arg);
}

}  // namespace pell

// The service scan: matching worm names against service programs, stopping, exporting and deleting.
#include <gtest/gtest.h>

#include "app/pellclean/console.h"
#include "base/handles.h"
#include "engine/services.h"
#include "engine/stages.h"
#include "base/text.h"
#include "tests/fake/fake_machine.h"
#include "tests/fake/test_host.h"
#include "tests/unit/english_translation.h"

namespace pell {
namespace {

using test::Fault;
using test::FakeMachine;
using test::Op;

const std::wstring kServices = L"System\\CurrentControlSet\\Services\\";

class ServiceScan : public ::testing::Test {
protected:
    ServiceScan() : translation(test::EnglishTranslation()), engine(machine, host, translation) {
        engine.folders.SystemDir = L"C:\\WINDOWS\\system32";
        engine.folders.WindowsDir = L"C:\\WINDOWS";
        engine.folders.LogFolder = L"C:\\Logs\\";
        machine.PlantFolder(L"C:\\Logs");
        // A genuine service the scan must leave alone whatever the names.
        machine.PlantService(L"Spooler", L"C:\\WINDOWS\\system32\\spoolsv.exe");
    }

    bool Scan(std::vector<std::wstring> names) {
        engine.InfectionNames = std::move(names);
        return ScanServices(engine);
    }
    bool ServiceKeyExists(const std::wstring& name) { return machine.KeyExists(RegRoot::LocalMachine, kServices + name); }
    // The details lines after the leading empty one.
    std::vector<std::wstring> Lines() {
        auto lines = host.Lines();
        lines.erase(lines.begin());
        return lines;
    }
    static std::wstring Export(const std::wstring& name) {
        return L"C:\\WINDOWS\\regedit.exe /e \"C:\\Logs\\" + name +
               L".reg\" \"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\" + name + L"\"";
    }

    FakeMachine machine;
    test::TestHost host;
    Translation translation;
    Engine engine;
};

TEST_F(ServiceScan, WormServiceIsStoppedReportedExportedAndDeleted) {
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\system32\\wrm.exe -service");
    machine.PlantString(RegRoot::LocalMachine, kServices + L"wrmsvc\\Parameters", L"Foo", L"bar");

    EXPECT_TRUE(Scan({L"wrm"}));

    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Found \"wrmsvc\" wrm.exe ...Stopped\"",
                                                   L"Successfully backed up \"wrmsvc\""}));
    EXPECT_FALSE(machine.ServiceRunning(L"wrmsvc"));
    EXPECT_FALSE(ServiceKeyExists(L"wrmsvc"));
    EXPECT_TRUE(ServiceKeyExists(L"Spooler"));
    EXPECT_EQ(engine.lstInfectedKeys.Items(), std::vector<std::wstring>{L"wrmsvc"});
    ASSERT_EQ(machine.StartedCommands().size(), 1u);
    EXPECT_EQ(machine.StartedCommands()[0].commandLine, Export(L"wrmsvc"));
    EXPECT_EQ(machine.StartedCommands()[0].style, ShowStyle::Hidden);
    // The export was finished before the key went: it holds the key and its subkey.
    auto reg = machine.FileBytes(L"C:\\Logs\\wrmsvc.reg");
    ASSERT_TRUE(reg);
    EXPECT_NE(reg->find("wrm.exe -service"), std::string::npos);
    EXPECT_NE(reg->find("Parameters"), std::string::npos);
    EXPECT_EQ(host.prog2, std::vector<double>{20});
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

struct MatchCase {
    const char* what;
    std::wstring imagePath;
    std::vector<std::wstring> names;
    std::wstring line;  // the status-4 line, empty when nothing matches
};

class ServiceMatching : public ServiceScan, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(ServiceMatching, StatusLineAndListing) {
    const MatchCase& c = GetParam();
    machine.PlantService(L"wsvc", c.imagePath);
    bool stopped = Scan(c.names);
    auto lines = Lines();
    if (c.line.empty()) {
        EXPECT_TRUE(lines.empty()) << WideToUtf8(lines.front());
        EXPECT_FALSE(stopped);
        EXPECT_EQ(engine.lstInfectedKeys.Count(), 0u);
        EXPECT_TRUE(ServiceKeyExists(L"wsvc"));
        EXPECT_TRUE(machine.ServiceRunning(L"wsvc"));
    } else {
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), c.line);
        EXPECT_TRUE(stopped);
        EXPECT_EQ(engine.lstInfectedKeys.Items(), std::vector<std::wstring>{L"wsvc"});
        EXPECT_FALSE(ServiceKeyExists(L"wsvc"));
    }
    EXPECT_TRUE(ServiceKeyExists(L"Spooler"));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ServiceMatching,
    ::testing::Values(
        MatchCase{"plain path", L"C:\\WINDOWS\\wrm.exe", {L"wrm"}, L"Found \"wsvc\" wrm.exe ...Stopped\""},
        MatchCase{"upper case, argument cut", L"C:\\WINDOWS\\WRM.EXE /run", {L"wrm"},
                  L"Found \"wsvc\" wrm.exe ...Stopped\""},
        MatchCase{"the name's own case in the line", L"c:\\x\\wrm.exe", {L"WRM"},
                  L"Found \"wsvc\" WRM.exe ...Stopped\""},
        MatchCase{"command file with argument", L"C:\\WINDOWS\\wrm.com -x", {L"wrm"},
                  L"Found \"wsvc\" wrm.com ...Stopped\""},
        MatchCase{"no folder", L"wrm.exe", {L"wrm"}, L"Found \"wsvc\" wrm.exe ...Stopped\""},
        MatchCase{"second name matches", L"C:\\x\\b.exe", {L"a", L"b"}, L"Found \"wsvc\" b.exe ...Stopped\""},
        MatchCase{"name with a blank", L"C:\\x\\my wrm.exe -k", {L"my wrm"},
                  L"Found \"wsvc\" my wrm.exe ...Stopped\""},
        MatchCase{"quoted path with argument: no cut, closing quote kept", L"\"C:\\x\\wrm.exe\" -service", {L"wrm"},
                  L""},
        MatchCase{"quoted path alone", L"\"C:\\x\\wrm.exe\"", {L"wrm"}, L""},
        MatchCase{"longer file name", L"C:\\x\\mywrm.exe", {L"wrm"}, L""},
        MatchCase{"other extension", L"C:\\x\\wrm.scr", {L"wrm"}, L""},
        MatchCase{"extension not last", L"C:\\x\\wrm.exe.bak", {L"wrm"}, L""},
        MatchCase{"name only in the folder", L"C:\\wrm.exe\\x.exe", {L"wrm"}, L""},
        MatchCase{"svchost is never matched", L"C:\\WINDOWS\\svchost.exe -k netsvcs", {L"svchost"}, L""},
        MatchCase{"ehSched is never matched", L"C:\\WINDOWS\\ehome\\ehSched.exe", {L"ehSched"}, L""},
        MatchCase{"every excluded name", L"C:\\x\\service.exe",
                  {L"svchost", L"services", L"lsass", L"ehSched", L"dllhost", L"ups", L"spoolsv", L"mstask",
                   L"wdfmgr", L"service"},
                  L""},
        MatchCase{"exclusion is exact: other case matches", L"C:\\x\\svchost.exe", {L"Svchost"},
                  L"Found \"wsvc\" Svchost.exe ...Stopped\""},
        MatchCase{"exclusion is exact: ehsched matches", L"C:\\x\\ehsched.exe", {L"ehsched"},
                  L"Found \"wsvc\" ehsched.exe ...Stopped\""},
        // The cut is made again for each name: the first name sees "...\wrm.exe", the second the path cut
        // once more at its ".com ".
        MatchCase{"cut again for later names", L"C:\\a.com b\\wrm.exe -x", {L"zz", L"a"},
                  L"Found \"wsvc\" a.com ...Stopped\""},
        MatchCase{"first name sees the first cut only", L"C:\\a.com b\\wrm.exe -x", {L"a"}, L""}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(ServiceScan, ImagePathComesFromTheLastValueNamedLikeIt) {
    std::wstring key = kServices + L"multi";
    machine.PlantString(RegRoot::LocalMachine, key, L"ImagePath", L"C:\\x\\first.exe");
    machine.PlantString(RegRoot::LocalMachine, key, L"imagepathx", L"");
    machine.PlantString(RegRoot::LocalMachine, key, L"OldImagePath2", L"C:\\x\\second.exe");
    machine.PlantString(RegRoot::LocalMachine, key, L"Image Path", L"C:\\x\\third.exe");
    machine.AddScmService(L"multi");

    EXPECT_FALSE(Scan({L"first", L"third"}));
    EXPECT_TRUE(Lines().empty());
    EXPECT_TRUE(Scan({L"second"}));
    EXPECT_EQ(Lines().front(), L"Found \"multi\" second.exe ...Stopped\"");
}

TEST_F(ServiceScan, MatchesComeInNameOrderThenServiceOrder) {
    machine.PlantService(L"svcA1", L"C:\\x\\a.exe");
    machine.PlantService(L"svcB", L"C:\\x\\b.com");
    machine.PlantService(L"svcA2", L"C:\\y\\A.EXE -q");
    EXPECT_TRUE(Scan({L"b", L"a"}));
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{
                           L"Found \"svcB\" b.com ...Stopped\"", L"Found \"svcA1\" a.exe ...Stopped\"",
                           L"Found \"svcA2\" a.exe ...Stopped\"", L"Successfully backed up \"svcB\"",
                           L"Successfully backed up \"svcA1\"", L"Successfully backed up \"svcA2\""}));
    EXPECT_EQ(engine.lstInfectedKeys.Items(), (std::vector<std::wstring>{L"svcB", L"svcA1", L"svcA2"}));
    ASSERT_EQ(machine.StartedCommands().size(), 3u);
    EXPECT_EQ(machine.StartedCommands()[0].commandLine, Export(L"svcB"));
    EXPECT_EQ(machine.StartedCommands()[2].commandLine, Export(L"svcA2"));
}

TEST_F(ServiceScan, NameListedTwiceStopsReportsAndListsTwiceButExportsOnce) {
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\system32\\wrm.exe -service");
    EXPECT_TRUE(Scan({L"wrm", L"other", L"wrm"}));
    // The second stop request finds the service stopped already.
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Found \"wrmsvc\" wrm.exe ...Stopped\"",
                                                   L"Found \"wrmsvc\" wrm.exe ...Unable to Stop!!\"",
                                                   L"Successfully backed up \"wrmsvc\""}));
    EXPECT_EQ(engine.lstInfectedKeys.Items(), (std::vector<std::wstring>{L"wrmsvc", L"wrmsvc"}));
    EXPECT_EQ(machine.StartedCommands().size(), 1u);
    EXPECT_EQ(machine.Calls(Op::ControlService), 2u);
    EXPECT_FALSE(ServiceKeyExists(L"wrmsvc"));
}

TEST_F(ServiceScan, ServiceThatWouldNotStopIsStillExportedAndDeleted) {
    machine.PlantService(L"stubborn", L"C:\\WINDOWS\\wrm.exe");
    machine.AddScmService(L"stubborn", /*running=*/true, /*stoppable=*/false);
    EXPECT_FALSE(Scan({L"wrm"}));
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Found \"stubborn\" wrm.exe ...Unable to Stop!!\"",
                                                   L"Successfully backed up \"stubborn\""}));
    EXPECT_TRUE(machine.ServiceRunning(L"stubborn"));
    EXPECT_FALSE(ServiceKeyExists(L"stubborn"));
    EXPECT_EQ(engine.lstInfectedKeys.Count(), 1u);
}

TEST_F(ServiceScan, OneStoppedServiceMakesTheResultTrue) {
    machine.PlantService(L"stubborn", L"C:\\WINDOWS\\wrm.exe");
    machine.AddScmService(L"stubborn", true, false);
    machine.PlantService(L"meek", L"C:\\WINDOWS\\wrm.exe");
    EXPECT_TRUE(Scan({L"wrm"}));
}

struct StopFault {
    const char* what;
    Op op;
    long result;
    std::size_t servicesOpened;
};

class StopServiceFaults : public ServiceScan, public ::testing::WithParamInterface<StopFault> {};

TEST_P(StopServiceFaults, AnyFailingStepMeansNotStoppedAndClosesWhatWasOpened) {
    machine.AddScmService(L"wsvc");
    machine.InjectFault(Fault{GetParam().op, L"", GetParam().result});
    EXPECT_FALSE(StopService(machine, L"wsvc"));
    EXPECT_TRUE(machine.ServiceRunning(L"wsvc"));
    EXPECT_EQ(machine.Calls(Op::OpenService), GetParam().servicesOpened);
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Steps, StopServiceFaults,
                         ::testing::Values(StopFault{"manager", Op::OpenSCManager, 0, 0},
                                           StopFault{"service", Op::OpenService, 0, 1},
                                           StopFault{"control refused", Op::ControlService, 0, 1},
                                           StopFault{"control answers 2, not exactly 1", Op::ControlService, 2, 1}));

TEST_F(ServiceScan, HandleOwnersCloseEachHandleOnceWhetherMovedOrReset) {
    machine.AddScmService(L"wsvc");
    {
        OpenServiceHandle manager(machine, machine.OpenSCManager(0xF003F));
        OpenServiceHandle service(machine, machine.OpenService(manager.get(), L"wsvc", 0xF01FF));
        OpenKey first(machine), second(machine);
        ASSERT_EQ(first.Open(RegRoot::LocalMachine, kServices + L"Spooler"), code::Success);
        ASSERT_EQ(second.Open(RegRoot::LocalMachine, L"System"), code::Success);
        EXPECT_EQ(machine.OpenHandleCount(), 4u);
        first = std::move(second);  // the key `first` held is closed, the other changes owner
        EXPECT_FALSE(second.valid());
        EXPECT_EQ(machine.OpenHandleCount(), 3u);
        OpenServiceHandle taken(std::move(service));
        service.reset();  // holds nothing any more: closes nothing
        EXPECT_EQ(machine.OpenHandleCount(), 3u);
        taken.reset(machine.OpenService(manager.get(), L"wsvc", 0xF01FF));  // the old one closed first
        EXPECT_EQ(machine.OpenHandleCount(), 3u);
        manager.reset();
        EXPECT_EQ(machine.OpenHandleCount(), 2u);
    }
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

TEST_F(ServiceScan, ExportThatCannotStartIsReportedAndTheKeyStays) {
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe");
    machine.InjectFault(Fault{Op::StartCommandLine, L"", 0, 2});
    EXPECT_TRUE(Scan({L"wrm"}));
    EXPECT_EQ(Lines().back(), L"Unable to backup \"wrmsvc\"");
    EXPECT_TRUE(ServiceKeyExists(L"wrmsvc"));
}

TEST_F(ServiceScan, ExportThatLeftNoFileIsNotReportedAsBackedUp) {
    engine.folders.LogFolder = L"C:\\Missing\\";
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe");
    EXPECT_TRUE(Scan({L"wrm"}));
    EXPECT_EQ(machine.StartedCommands().size(), 1u);
    EXPECT_TRUE(machine.StartedCommands()[0].waited);
    EXPECT_EQ(Lines().back(), L"Unable to backup \"wrmsvc\"");
    EXPECT_TRUE(ServiceKeyExists(L"wrmsvc"));
}

TEST(ServiceScanConsole, ExportIsWaitedForBehindTheRestartSuppression) {
    FakeMachine machine;
    machine.PlantFolder(L"C:\\Logs");
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe -service");
    console::RestartSuppressor suppressor(machine, [](std::string_view) {});
    test::TestHost host;
    Translation translation = test::EnglishTranslation();
    Engine engine(suppressor, host, translation);
    engine.folders.WindowsDir = L"C:\\WINDOWS";
    engine.folders.LogFolder = L"C:\\Logs\\";
    engine.InfectionNames = {L"wrm"};
    EXPECT_TRUE(ScanServices(engine));
    ASSERT_EQ(machine.StartedCommands().size(), 1u);
    EXPECT_TRUE(machine.StartedCommands()[0].waited);
    EXPECT_TRUE(machine.FileExists(L"C:\\Logs\\wrmsvc.reg"));
    EXPECT_NE(host.details.find(L"Successfully backed up \"wrmsvc\""), std::wstring::npos);
}

TEST_F(ServiceScan, NamesOfEarlierRunsAreWorkedThroughAgainAndPassedOver) {
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe");
    EXPECT_TRUE(Scan({L"wrm"}));
    host.details.clear();
    EXPECT_FALSE(Scan({L"wrm"}));
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(engine.lstInfectedKeys.Items(), std::vector<std::wstring>{L"wrmsvc"});
    EXPECT_EQ(machine.StartedCommands().size(), 1u);
}

TEST_F(ServiceScan, ServiceKeyThatDoesNotOpenIsPassedOver) {
    machine.PlantService(L"hidden", L"C:\\WINDOWS\\wrm.exe");
    machine.PlantService(L"visible", L"C:\\WINDOWS\\wrm.exe");
    machine.InjectFault(Fault{Op::RegOpenKey, L"HKLM\\" + kServices + L"hidden", code::AccessDenied, 0, 0, -1});
    EXPECT_TRUE(Scan({L"wrm"}));
    EXPECT_EQ(Lines().front(), L"Found \"visible\" wrm.exe ...Stopped\"");
    EXPECT_EQ(engine.lstInfectedKeys.Items(), std::vector<std::wstring>{L"visible"});
    EXPECT_TRUE(machine.ServiceRunning(L"hidden"));
}

TEST_F(ServiceScan, EnumerationThatKeepsFailingEnds) {
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe");
    machine.InjectFault(Fault{Op::RegEnumKey, L"HKLM\\System\\CurrentControlSet\\Services", 1018, 0, 0, -1});
    EXPECT_FALSE(Scan({L"wrm"}));
    EXPECT_TRUE(ServiceKeyExists(L"wrmsvc"));
    EXPECT_LT(machine.Calls(Op::RegEnumKey), 100u);
}

TEST_F(ServiceScan, ProgressFollowsTheNames) {
    Scan({L"a", L"b", L"c"});
    EXPECT_EQ(host.prog1, (std::vector<double>{0, 0, 50, 100}));
    EXPECT_EQ(host.prog2, std::vector<double>{20});
}

TEST_F(ServiceScan, SingleNameGivesAFullBar) {
    Scan({L"a"});
    EXPECT_EQ(host.prog1, (std::vector<double>{0, 100}));
}

TEST_F(ServiceScan, NoNamesMatchNothing) {
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe");
    EXPECT_FALSE(Scan({}));
    EXPECT_EQ(host.prog1, std::vector<double>{0});
    EXPECT_TRUE(ServiceKeyExists(L"wrmsvc"));
}

TEST_F(ServiceScan, UnreadableServicesKeyEndsTheProgram) {
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe");
    machine.InjectFault(Fault{Op::RegOpenKey, L"HKLM\\System\\CurrentControlSet\\Services", code::AccessDenied});
    EXPECT_FALSE(Scan({L"wrm"}));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].code, box::NoRegistryAccess);
    EXPECT_FALSE(host.boxes[0].yesNo);
    EXPECT_TRUE(engine.programEnded);
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(host.details.empty());
    EXPECT_TRUE(host.prog2.empty());
    EXPECT_TRUE(machine.ServiceRunning(L"wrmsvc"));
    EXPECT_EQ(machine.Calls(Op::OpenSCManager), 0u);
}

TEST_F(ServiceScan, EveryMatchAsksTheServiceManagerAndNothingElseDoes) {
    for (int i = 0; i < 50; ++i) machine.PlantService(L"genuine" + std::to_wstring(i), L"C:\\x\\genuine.exe -k");
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe");
    std::vector<std::wstring> names(500, L"nomatch");
    names[250] = L"wrm";
    Scan(names);
    EXPECT_EQ(machine.Calls(Op::OpenSCManager), 1u);
    EXPECT_EQ(machine.Calls(Op::StartCommandLine), 1u);
}

// ---------------------------------------------------------------- DeleteSubkeys

class SubkeyDeletion : public ServiceScan {
protected:
    void PlantTree() {
        for (auto sub : {L"wrmsvc\\Parameters\\Deep\\Deeper", L"wrmsvc\\Parameters\\Other", L"wrmsvc\\Security",
                         L"wrmsvc\\Enum"})
            machine.PlantKey(RegRoot::LocalMachine, kServices + sub);
    }
    void DeleteBelow(const std::wstring& name) {
        RegKey key = 0;
        ASSERT_EQ(machine.RegOpenKey(RegRoot::LocalMachine, kServices + name, key), 0);
        DeleteSubkeys(machine, key, name);
        machine.RegCloseKey(key);
    }
    bool Has(const std::wstring& below) { return machine.KeyExists(RegRoot::LocalMachine, kServices + below); }
    static std::wstring Full(const std::wstring& below) { return L"HKLM\\" + kServices + below; }
};

TEST_F(SubkeyDeletion, WholeTreeGoesDepthFirst) {
    PlantTree();
    DeleteBelow(L"wrmsvc");
    EXPECT_TRUE(Has(L"wrmsvc"));
    EXPECT_FALSE(Has(L"wrmsvc\\Parameters"));
    EXPECT_FALSE(Has(L"wrmsvc\\Security"));
    EXPECT_FALSE(Has(L"wrmsvc\\Enum"));
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

struct Refusal {
    const char* what;
    std::wstring target;  // below the services key
    long answer;
    std::vector<std::wstring> remaining;  // below the services key
};

class SubkeyRefusals : public SubkeyDeletion, public ::testing::WithParamInterface<Refusal> {};

TEST_P(SubkeyRefusals, RefusingSubkeyIsPassedOverAfterItsSecondRefusal) {
    const Refusal& r = GetParam();
    PlantTree();
    machine.InjectFault(Fault{Op::RegDeleteKey, Full(r.target), r.answer, 0, 0, -1});
    DeleteBelow(L"wrmsvc");
    std::vector<std::wstring> remaining;
    for (auto sub : {L"wrmsvc\\Parameters", L"wrmsvc\\Parameters\\Deep", L"wrmsvc\\Parameters\\Deep\\Deeper",
                     L"wrmsvc\\Parameters\\Other", L"wrmsvc\\Security", L"wrmsvc\\Enum"})
        if (Has(sub)) remaining.push_back(sub);
    EXPECT_EQ(remaining, r.remaining);
    EXPECT_LE(machine.Calls(Op::RegDeleteKey), 12u);
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SubkeyRefusals,
    ::testing::Values(
        Refusal{"leaf refuses", L"wrmsvc\\Security", code::AccessDenied, {L"wrmsvc\\Security"}},
        Refusal{"inner key refuses after its subkeys are gone", L"wrmsvc\\Parameters", code::AccessDenied,
                {L"wrmsvc\\Parameters"}},
        Refusal{"deep key refuses", L"wrmsvc\\Parameters\\Deep", code::AccessDenied,
                {L"wrmsvc\\Parameters", L"wrmsvc\\Parameters\\Deep"}},
        Refusal{"other failure repeats", L"wrmsvc\\Security", 1, {L"wrmsvc\\Security"}},
        Refusal{"a deletion that answers success but the key stays", L"wrmsvc\\Security", code::Success,
                {L"wrmsvc\\Security"}}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return "Case" + std::to_string(info.index); });

TEST_F(SubkeyDeletion, RefusedSubkeyIsTriedExactlyTwice) {
    machine.PlantKey(RegRoot::LocalMachine, kServices + L"wrmsvc\\Security");
    machine.InjectFault(Fault{Op::RegDeleteKey, Full(L"wrmsvc\\Security"), code::AccessDenied, 0, 0, -1});
    DeleteBelow(L"wrmsvc");
    EXPECT_EQ(machine.Calls(Op::RegDeleteKey), 2u);
    EXPECT_TRUE(Has(L"wrmsvc\\Security"));
}

TEST_F(SubkeyDeletion, RefusedSubkeyThatDoesNotOpenIsSkipped) {
    PlantTree();
    machine.InjectFault(Fault{Op::RegDeleteKey, Full(L"wrmsvc\\Parameters"), code::AccessDenied, 0, 0, -1});
    machine.InjectFault(Fault{Op::RegOpenKey, Full(L"wrmsvc\\Parameters"), code::AccessDenied, 0, 0, -1});
    DeleteBelow(L"wrmsvc");
    EXPECT_TRUE(Has(L"wrmsvc\\Parameters\\Deep\\Deeper"));
    EXPECT_FALSE(Has(L"wrmsvc\\Security"));
    EXPECT_FALSE(Has(L"wrmsvc\\Enum"));
}

TEST_F(ServiceScan, ProtectedSubkeyLeavesTheServiceKeyButTheScanEnds) {
    machine.PlantService(L"wrmsvc", L"C:\\WINDOWS\\wrm.exe");
    machine.PlantKey(RegRoot::LocalMachine, kServices + L"wrmsvc\\Enum");
    machine.PlantKey(RegRoot::LocalMachine, kServices + L"wrmsvc\\Security");
    machine.InjectFault(Fault{Op::RegDeleteKey, L"HKLM\\" + kServices + L"wrmsvc\\Enum", code::AccessDenied, 0, 0, -1});
    EXPECT_TRUE(Scan({L"wrm"}));
    EXPECT_TRUE(ServiceKeyExists(L"wrmsvc\\Enum"));
    EXPECT_FALSE(ServiceKeyExists(L"wrmsvc\\Security"));
    EXPECT_EQ(host.prog2, std::vector<double>{20});
}

}  // namespace
}  // namespace pell

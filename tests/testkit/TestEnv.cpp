#include "testkit/TestEnv.h"

#include <fmt/format.h>

#include <filesystem>

#include "platform/posix/PosixPorts.h"
#include "support/Identity.h"

namespace ardeko::testkit {

TestEnv::TestEnv(platform::FileSystem* fs) {
    fs_ = fs ? fs : (ownedFs_ = platform::posix::MakePosixFileSystem()).get();
    for (auto* folder : {&(shell.specialFolders[platform::CSIDL_APPDATA_] = dir / "AppData"), &(shell.programFolder = dir / "Program")})
        std::filesystem::create_directories(*folder);
    shell.environment["windir"] = "/windows";
    scope_ = std::make_unique<platform::ScopedPorts>(platform::Ports{fs_, &settings, &registry, &shell, &clock, &ui});
    Module() = ModuleValues{};
}

TestEnv::~TestEnv() {
    Module() = ModuleValues{};
    scope_.reset();
}

void TestEnv::ConnectHost(std::shared_ptr<host::Application> app, std::int16_t lang) {
    Module().HostApp = std::move(app), Module().CurrLang = lang;
    InitProductTexts();
}

std::shared_ptr<FakeOfficeHost> TestEnv::ConnectHost(const std::string& name, const std::string& version, std::int16_t lang) {
    auto app = std::make_shared<FakeOfficeHost>(name, version);
    ConnectHost(app, lang);
    return app;
}

std::string TestEnv::SystemBoxes() const {
    std::string s;
    for (const auto& b : ui.systemBoxes) s += fmt::format("{}|{}|{}\n", b.title, b.flags, b.text);
    return s;
}

std::string TestEnv::StyledBoxes() const {
    std::string s;
    for (const auto& b : ui.styledBoxes) s += fmt::format("{}|{}|{}\n", b.title, b.flags, b.prompt);
    return s;
}

}  // namespace ardeko::testkit

#include "testkit/TestEnv.h"

#include <filesystem>

#include "platform/posix/PosixPorts.h"
#include "support/Identity.h"

namespace ardeko::testkit {

TestEnv::TestEnv(platform::FileSystem* fs) {
    if (fs == nullptr) {
        ownedFs_ = platform::posix::MakePosixFileSystem();
        fs_ = ownedFs_.get();
    } else {
        fs_ = fs;
    }
    std::filesystem::create_directories(dir.path() / "AppData");
    shell.specialFolders[platform::CSIDL_APPDATA_] = (dir.path() / "AppData").string();
    shell.programFolder = (dir.path() / "Program").string();
    std::filesystem::create_directories(shell.programFolder);
    shell.environment["windir"] = "/windows";
    scope_ = std::make_unique<platform::ScopedPorts>(
        platform::Ports{fs_, &settings, &registry, &shell, &clock, &ui});
    Module() = ModuleValues{};
}

TestEnv::~TestEnv() {
    Module() = ModuleValues{};
    scope_.reset();
}

void TestEnv::ConnectHost(std::shared_ptr<host::Application> app, std::int16_t lang) {
    Module().HostApp = std::move(app);
    Module().CurrLang = lang;
    InitProductTexts();
}

std::shared_ptr<FakeApplication> TestEnv::ConnectHost(const std::string& name, const std::string& version,
                                                      std::int16_t lang) {
    auto app = std::make_shared<FakeApplication>();
    app->name = name;
    app->version = version;
    ConnectHost(app, lang);
    return app;
}

}  // namespace ardeko::testkit

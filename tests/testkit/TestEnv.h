#pragma once
// The usual set-up of a test: headless renderer, in-memory settings, registry and shell,
// a fixed German clock, and (optionally) the real file system of this machine. Module-wide
// values are reset on entry and on exit.
#include <memory>

#include "platform/Ports.h"
#include "support/Module.h"
#include "testkit/FakeOfficeHost.h"
#include "testkit/Fakes.h"
#include "testkit/TempDir.h"
#include "ui/HeadlessUi.h"

namespace ardeko::testkit {

class TestEnv {
public:
    // `fs` defaults to the real file system of this machine.
    explicit TestEnv(platform::FileSystem* fs = nullptr);
    ~TestEnv();  // not copyable: it owns its scratch folder

    // Makes `app` the connected host (as the connection event would) and recomputes the
    // product texts for `lang`.
    void ConnectHost(std::shared_ptr<host::Application> app, std::int16_t lang = 0);
    // A stand-in host of this name and version (build 4266).
    std::shared_ptr<FakeOfficeHost> ConnectHost(const std::string& name, const std::string& version = "16.0", std::int16_t lang = 0);

    // The message boxes shown so far, one a line: "title|flags|text" (the styled ones' prompt).
    std::string SystemBoxes() const;
    std::string StyledBoxes() const;

    ui::HeadlessUi ui;
    FakeSettings settings;
    FakeRegistry registry;
    FakeShell shell;
    FakeClock clock;
    TempDir dir;  // scratch folder; also the application-data folder (CSIDL 26) under "AppData"
    platform::FileSystem& fs() { return *fs_; }

private:
    std::unique_ptr<platform::FileSystem> ownedFs_;
    platform::FileSystem* fs_;
    std::unique_ptr<platform::ScopedPorts> scope_;
};

}  // namespace ardeko::testkit

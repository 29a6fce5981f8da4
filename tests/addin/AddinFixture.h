#pragma once
// Shared set-up of the add-in tests: a test environment, a stand-in host and a wizard
// stand-in that records how often it was created and shown.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "addin/Connect.h"
#include "addin/modArdeko.h"
#include "testkit/FakeOfficeHost.h"
#include "testkit/TestEnv.h"
#include "ui/Form.h"

namespace ardeko::testkit {

class StandInWizard : public ui::Form {
public:
    explicit StandInWizard(int& loads) : ui::Form("frmArdeko"), loads_(loads) {}

protected:
    void Form_Load() override { ++loads_; }

private:
    int& loads_;
};

class AddinTest : public ::testing::Test {
protected:
    AddinTest() {
        previousFactory_ = SetWizardFactory([this] {
            ++wizardsCreated;
            return std::make_unique<StandInWizard>(wizardLoads);
        });
    }
    ~AddinTest() override { SetWizardFactory(previousFactory_); }

    // Connects `connection` to a new stand-in host of this name and version.
    std::shared_ptr<FakeOfficeHost> Connect(AddinConnection& connection, const std::string& name,
                                            const std::string& version) {
        auto host = std::make_shared<FakeOfficeHost>(name, version);
        connection.OnConnection(host, 0, std::make_shared<FakeAddInInstance>(connection.Info().progId));
        return host;
    }

    void PutLogoBesideProgram() { std::ofstream(env.shell.programFolder + "/Logo.bmp") << "BM"; }

    TestEnv env;
    int wizardsCreated = 0;
    int wizardLoads = 0;

private:
    WizardFactory previousFactory_;
};

}  // namespace ardeko::testkit

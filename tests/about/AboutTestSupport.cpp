#include "AboutTestSupport.h"

#include <QApplication>
#include <QFont>
#include <gtest/gtest.h>
#include <memory>

#include "TestSupport.h"

namespace abouttest {

about::MachineFacts FixedFacts() {
    about::MachineFacts facts;
    facts.machine = "riscv64";
    facts.processorCount = 2;
    facts.totalPhysBytes = 536870912;
    facts.availPhysBytes = 268435456;
    facts.totalSwapBytes = 1073741824;
    facts.availSwapBytes = 1073741824;
    facts.hostName = "workstation";
    facts.loginName = "hanako";
    facts.fullName = "Hanako Yamada";
    facts.systemName = "Linux";
    facts.release = "6.1.0-18-amd64";
    return facts;
}

std::filesystem::path ResourcesDir() {
    return testsupport::DataDir().parent_path() / "resources";
}

std::string HelpFile() {
    return (ResourcesDir() / "help" / "Kelvo.hlp").string();
}

namespace {

// One application object for the whole binary, with the windows' 12-pixel Japanese face.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_about";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QFont font(QStringLiteral("IPAPGothic"));
        font.setPixelSize(12);
        QApplication::setFont(font);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

} // namespace abouttest

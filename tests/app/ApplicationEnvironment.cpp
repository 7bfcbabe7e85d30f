// The one QApplication of the test binary, made before the first test and destroyed after the last one, while
// Qt's own globals still live (a QApplication left to the exit handlers crashes in its input devices' teardown).
#include <gtest/gtest.h>

#include <QApplication>

namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance()) return;
        application_ = new QApplication(argc_, argv_);
    }
    void TearDown() override {
        delete application_;
        application_ = nullptr;
    }

private:
    int argc_ = 1;
    char name_[9] = "test_app";
    char* argv_[2] = {name_, nullptr};
    QApplication* application_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace

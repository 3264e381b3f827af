// One application object for the whole test program; widgets need it
// before the first test runs.
#include <QApplication>
#include <gtest/gtest.h>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "ui_controls_test";
        static char *argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication *app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment *const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
